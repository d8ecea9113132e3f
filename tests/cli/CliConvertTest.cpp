// "velmora-cli convert": an old demo becomes a protocol 68 demo the reader reads like the original,
// OpenArena 0.8.1's a protocol 71 one; failures say what failed and leave nothing behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/CliRunner.h"
#include "support/DemoBuilder.h"
#include "support/ScratchDir.h"

namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = VELMORA_CORPUS_DIR;

std::string Quoted(const fs::path& path)
{
    return "'" + path.string() + "'";
}

// "info" without the lines that name the file itself.
std::string InfoWithoutFile(const fs::path& demo)
{
    std::string out = clitest::RunCli("info --course --plain " + Quoted(demo)).out;
    for (const char* line : {"File: ", "Size: ", "Recorded: ", "Protocol: "}) {
        const size_t at = out.find(line);
        if (at != std::string::npos)
            out.erase(at, out.find('\n', at) + 1 - at);
    }
    return out;
}

TEST(CliConvert, OldDemosBecomeProtocol68AndReadTheSame)
{
    if (!fs::exists(kCorpus / "duel-1.27-osp.dm_48"))
        GTEST_SKIP() << "no corpus in " << kCorpus;
    testsupport::ScratchDir scratch;
    for (const char* name : {"duel-1.17-osp.dm3", "duel-1.27-osp.dm_48"}) {
        const fs::path out = scratch.path() / "converted ü.dm_68";
        const clitest::Result result = clitest::RunCli("convert " + Quoted(kCorpus / name) + " " + Quoted(out));
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_NE(clitest::RunCli("info " + Quoted(out)).out.find("Protocol: 68\n"), std::string::npos);
        std::string converted = InfoWithoutFile(out);
        const size_t notice = converted.find("Converted from protocol");
        ASSERT_NE(notice, std::string::npos) << name;
        const size_t lineStart = converted.rfind('\n', notice) + 1;
        converted.erase(lineStart, converted.find('\n', notice) + 1 - lineStart);
        EXPECT_EQ(converted, InfoWithoutFile(kCorpus / name)) << name;
        fs::remove(out);
    }
    // Nothing but the converted demos was written beside them.
    EXPECT_TRUE(fs::is_empty(scratch.path()));
}

TEST(CliConvert, OpenArena081DemoBecomesProtocol71)
{
    const fs::path flyBy = kCorpus / "modern" / "flyby-oa_dm3-openarena.dm_70";
    if (!fs::exists(flyBy))
        GTEST_SKIP() << "no corpus in " << kCorpus;
    testsupport::ScratchDir scratch;
    const fs::path out = scratch.path() / "flyby.dm_71";
    ASSERT_EQ(clitest::RunCli("convert --base baseoa " + Quoted(flyBy) + " " + Quoted(out)).status, 0);
    // Coded again for OpenArena's player stats: the reader sees the same demo.
    EXPECT_EQ(InfoWithoutFile(out), InfoWithoutFile(flyBy));
}

// A recording cut short by a crash or a disconnect lacks only the end marker: converted without a
// word, and the converted demo has the marker.
TEST(CliConvert, DemoWithoutEndMarkerIsConverted)
{
    const fs::path source = kCorpus / "modern" / "ffa-oa_dm2-ioquake3.dm_68";
    if (!fs::exists(source))
        GTEST_SKIP() << "no corpus in " << kCorpus;
    testsupport::ScratchDir scratch;
    std::vector<uint8_t> bytes = testsupport::ReadBytes(source.string());
    bytes.resize(bytes.size() - 8);
    testsupport::WriteBytes((scratch.path() / "crashed.dm_68").string(), bytes);
    for (const char* name : {"crashed.dm_68"}) {
        const fs::path out = scratch.path() / "out.dm_71";
        const clitest::Result result =
            clitest::RunCli("convert --base baseoa " + Quoted(scratch.path() / name) + " " + Quoted(out));
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        const std::vector<uint8_t> converted = testsupport::ReadBytes(out.string());
        EXPECT_EQ(std::vector<uint8_t>(converted.end() - 8, converted.end()), std::vector<uint8_t>(8, 0xFF));
        EXPECT_EQ(InfoWithoutFile(out), InfoWithoutFile(source));
    }
}

TEST(CliConvert, FailuresAreReportedWithTheirExitStatus)
{
    testsupport::ScratchDir scratch;
    const fs::path notDemo = scratch.path() / "notes.dm_48";
    {
        std::ofstream(notDemo) << "not a demo";
    }
    const fs::path out = scratch.path() / "out.dm_68";
    struct Case {
        std::string arguments;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {"convert " + Quoted(notDemo) + " " + Quoted(out), 1,
         "velmora-cli convert: " + notDemo.string() + ": it holds no server information that names its protocol"},
        {"convert " + Quoted(scratch.path() / "missing.dm3") + " " + Quoted(out), 1,
         "velmora-cli convert: " + (scratch.path() / "missing.dm3").string() + ": "},
        {"convert --to 70 a.dm3 b.dm_68", 2, "velmora-cli convert: --to takes 68 or 71, not 70"},
        {"convert a.dm3", 2, "usage: velmora-cli convert"},
        {"convert --to", 2, "velmora-cli convert: --to needs a value"},
        {"convert --fast a.dm3 b.dm_68", 2, "velmora-cli convert: unknown option --fast"},
        {"convert a.dm3 a.dm3", 2, "velmora-cli convert: the converted demo cannot replace a.dm3"},
    };
    for (const Case& c : cases) {
        const clitest::Result result = clitest::RunCli(c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments;
        EXPECT_TRUE(result.err.starts_with(c.message)) << c.arguments << "\n" << result.err;
        EXPECT_EQ(result.out, "") << c.arguments;
    }
    // A failed conversion leaves neither the output nor a hidden part of it.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(scratch.path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"notes.dm_48"});
}

} // namespace
