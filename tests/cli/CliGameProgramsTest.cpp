// "velmora-cli game-programs" gives scripts the names the program looks for in a game folder, so
// that they find a game exactly where the program would (the sample-game script relies on it).
#include <gtest/gtest.h>

#include "core/paths/Paths.h"
#include "support/CliRunner.h"

TEST(CliGamePrograms, TheProgramsOwnListOnePerLine)
{
    const clitest::Result result = clitest::RunCli("game-programs");
    ASSERT_EQ(result.status, 0) << result.err;
    std::string expected;
    for (const std::string& name : core::GameExecutableNames())
        expected += name + "\n";
    EXPECT_EQ(result.out, expected);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(clitest::RunCli("game-programs extra").status, 2) << "an unknown argument is refused";
}
