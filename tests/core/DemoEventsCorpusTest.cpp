// Events of the real demos: every one reads to its end, and in the duels each player's frags less
// suicides give the score the demo's own score report ends with.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/events/DemoEventsLoad.h"
#include "core/events/PlayerFigures.h"
#include "core/summary/DemoReader.h"

namespace {

std::filesystem::path Corpus()
{
    return VELMORA_CORPUS_DIR;
}

class CorpusDuels : public testing::TestWithParam<const char*> {};

TEST_P(CorpusDuels, FragsLessSuicidesGiveTheFinalScores)
{
    const std::filesystem::path path = Corpus() / GetParam();
    if (Corpus().empty() || !std::filesystem::exists(path))
        GTEST_SKIP() << "no corpus demo " << path;
    const core::DemoEventsResult result = core::LoadDemoEvents(path.string(), {});
    EXPECT_TRUE(result.problem.empty()) << result.problem;
    const core::DemoRead read = core::LoadDemo(path.string(), {}, false);
    ASSERT_TRUE(read);
    const core::DemoState& demo = *read;
    const auto figures = core::PlayerFiguresOf(result.events);
    int scored = 0, frags = 0;
    for (const core::Player& player : demo.players) {
        if (player.name.empty() || player.team != 0 || !player.score)
            continue;
        const core::PlayerFigures* f = core::FiguresByName(figures, player.name);
        ASSERT_NE(f, nullptr) << player.name;
        EXPECT_EQ(f->frags - f->suicides, player.score) << player.name;
        frags += f->frags;
        ++scored;
    }
    EXPECT_EQ(scored, 2);
    EXPECT_GT(frags, 10);
}

INSTANTIATE_TEST_SUITE_P(Demos, CorpusDuels,
                         testing::Values("duel-1.17-osp.dm3", "duel-1.27-osp.dm_48", "modern/duel-1.29.dm_66",
                                         "modern/cpma-duel.dm_68", "ql/duel-hektik.dm_73", "ql/duel-sinister.dm_91"));

TEST(CorpusEvents, EveryDemoReadsToItsEnd)
{
    if (Corpus().empty() || !std::filesystem::is_directory(Corpus()))
        GTEST_SKIP() << "no corpus";
    int demos = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(Corpus())) {
        if (!entry.is_regular_file() || entry.path().extension() == ".md")
            continue;
        const core::DemoEventsResult result = core::LoadDemoEvents(entry.path().string(), {});
        EXPECT_TRUE(result.found) << entry.path();
        EXPECT_NE(result.protocol, 0) << entry.path();
        EXPECT_TRUE(result.problem.empty()) << entry.path() << ": " << result.problem;
        EXPECT_GT(result.length, 0) << entry.path();
        ++demos;
    }
    EXPECT_GE(demos, 11);
}

} // namespace
