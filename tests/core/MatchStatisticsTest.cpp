// Match statistics: every command form read from a written line, damaged lines left out, the
// corpus demos that hold statistics, and acc: searches on each side of their bounds.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "core/events/MatchStatistics.h"
#include "core/index/IndexUpdater.h"
#include "core/index/LibraryIndex.h"
#include "core/index/SearchQuery.h"
#include "support/ScratchDir.h"

using namespace core;

namespace {

struct Expected {
    std::string source;
    int client = -1;
    Weapon weapon = Weapon::None;
    int hits = 0, shots = 0;
    int damageGiven = -1, damageTaken = -1, armourTaken = -1, healthTaken = -1;
};

MatchStatistics Collect(const std::vector<std::string>& commands, int followed = 2, int protocol = 68)
{
    MatchStatisticsCollector collector(protocol);
    GameState state;
    state.configStrings = {{544 + 1, "n\\myT\\t\\0"}, {544 + 2, "n\\czm\\t\\0"}, {544 + 3, "n\\ZeRo4\\t\\0"}};
    collector.GameState(state);
    collector.FollowedClient(followed);
    int32_t sequence = 1;
    for (const std::string& command : commands)
        collector.ServerCommand(sequence++, command);
    EXPECT_EQ(collector.LinesLeftOut(), 0) << commands.front();
    return collector.Finish();
}

std::string DuelScores(int client, const std::string& fill)
{
    // One player: 90 figures, damage given the 8th, the railgun's hits and shots at 50 and 51.
    std::string line = "scores_duel 1 " + std::to_string(client);
    for (int i = 0; i < 90; ++i)
        line += " " + (i == 7 ? std::string("520") : i == 50 ? "9" : i == 51 ? "15" : i == 13 ? "14.01" : fill);
    return line;
}

TEST(MatchStatistics, EveryCommandFormIsReadAndDamagedLinesAreLeftOut)
{
    const struct {
        const char* what;
        std::string line;
        std::optional<Expected> expected; // nullopt: no statistics
    } cases[] = {
        {"OSP xstats1, older", "xstats1 3 420 62 219 2 0 54 138 12 0 25 52 8 2 19 200 4 4 6513 3737",
         Expected{"OSP", 3, Weapon::Railgun, 25, 52, 6513, 3737, -1, -1}},
        {"OSP xstats1, packed with pickups", "xstats1 3 128 65560 196648 3 1 100 120 300 400 1 2 3 4",
         Expected{"OSP", 3, Weapon::Railgun, 24, 40, 300, 400, 100, 120}},
        {"OSP statsinfo",
         "statsinfo 1 55 0 55 9 0 0 0 11952 5628 162201601 172687360 0 0 0 0 0 11 17 18 5 128 35 73 12 5",
         Expected{"OSP", 2, Weapon::Railgun, 35, 73, 11952, 5628, 2475, 2635}},
        {"OSP statsinfo, older", "statsinfo 1 26 0 26 6 0 0 0 6513 3737 0 0 0 0 0 0 0 128 25 52 8 2",
         Expected{"OSP", 2, Weapon::Railgun, 25, 52, 6513, 3737, -1, -1}},
        {"OSP statsinfo, fixed weapon places",
         "statsinfo 1 14 0 14 3 0 0 0 5340 4120 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 107 6 0 0 153 52 6 2 759 155 3 1 "
         "29 "
         "9 3 0 91 14 2 0 0 0 0 0",
         Expected{"OSP", 2, Weapon::RocketLauncher, 52, 153, 5340, 4120, -1, -1}},
        {"CPMA xstats2", "xstats2 1 160 70 190 5 0 9 0 21 53 4 0 7 0 4935 3807 4395 1645 4 12 24 0 0 2 acaEaEaFaa 17",
         Expected{"CPMA", 1, Weapon::RocketLauncher, 70, 190, 4935, 3807, 4395, 1645}},
        {"CPMA mstatsa", "mstatsa 1 128 21 53 4 0 7 0 4935 3807 4395 1645",
         Expected{"CPMA", 1, Weapon::Railgun, 21, 53, 4935, 3807, 4395, 1645}},
        {"Quake Live scores_duel", DuelScores(3, "0"), Expected{"Quake Live", 3, Weapon::Railgun, 9, 15, 520}},
        {"too short for its mask", "xstats2 1 160 70 190 5 0 9 0", std::nullopt},
        {"client out of range", "xstats1 64 128 1 2 3 4 5 6", std::nullopt},
        {"statsinfo of neither length", "statsinfo 1 26 0 26 6 0 0 0 6513 3737 0 0 0 0 0 0 0 128 25 52", std::nullopt},
        {"duel scores of another length", DuelScores(3, "0") + " 7", std::nullopt},
        {"words instead of figures", "xstats2 1 160 seventy 190 5 0 9 0 21 53 4 0 7 0 1 2 3 4", std::nullopt},
        {"the original game's scores", "scores 2 0 0 0 1 30 0 0 0 28 0 0 0 0 0 1 0", std::nullopt},
    };
    for (const auto& c : cases) {
        // Every shortening of the line is read without going past its end.
        for (std::string cut = c.line; cut.find(' ') != std::string::npos; cut.resize(cut.rfind(' ')))
            Collect({cut});
        const MatchStatistics stats = Collect({c.line});
        if (!c.expected) {
            EXPECT_TRUE(stats.Empty()) << c.what;
            EXPECT_EQ(stats.source, "") << c.what;
            continue;
        }
        const Expected& e = *c.expected;
        ASSERT_EQ(stats.players.size(), 1u) << c.what;
        const PlayerStatistics& p = stats.players.front();
        EXPECT_EQ(stats.source, e.source) << c.what;
        EXPECT_EQ(p.client, e.client) << c.what;
        EXPECT_EQ(p.name, e.client == 3 ? "ZeRo4" : e.client == 2 ? "czm" : "myT") << c.what;
        const WeaponStatistics* w = p.Find(e.weapon);
        ASSERT_NE(w, nullptr) << c.what;
        EXPECT_EQ(std::pair(w->hits, w->shots), std::pair(e.hits, e.shots)) << c.what;
        EXPECT_EQ(p.damageGiven, e.damageGiven) << c.what;
        EXPECT_EQ(p.damageTaken, e.damageTaken) << c.what;
        EXPECT_EQ(p.armourTaken, e.armourTaken) << c.what;
        EXPECT_EQ(p.healthTaken, e.healthTaken) << c.what;
    }
}

TEST(MatchStatistics, LaterFiguresReplaceEarlierOnesAndRepeatsCountOnce)
{
    MatchStatisticsCollector collector(68);
    collector.ServerCommand(5, "mstats 1 128 10 20 0 0 0 0 1 2 3 4");
    collector.ServerCommand(5, "mstats 1 128 99 99 0 0 0 0 1 2 3 4"); // sent again: the same sequence
    collector.ServerCommand(6, "xstats2 1 160 1 2 0 0 0 0 30 40 0 0 0 0 5 6 7 8");
    const MatchStatistics stats = collector.Finish();
    ASSERT_EQ(stats.players.size(), 1u);
    EXPECT_EQ(stats.players[0].Find(Weapon::Railgun)->hits, 30);
    EXPECT_EQ(stats.players[0].Find(Weapon::RocketLauncher)->shots, 2);
    EXPECT_EQ(stats.players[0].damageGiven, 5);
    // Accuracy is hits per hundred shots; a weapon never fired has none rather than 0 %.
    EXPECT_DOUBLE_EQ(*stats.players[0].Find(Weapon::Railgun)->Accuracy(), 75.0);
    EXPECT_FALSE((WeaponStatistics{Weapon::Shotgun, 3, 0}.Accuracy()));
}

TEST(MatchStatistics, CorpusDemosHoldTheirModsStatisticsOrSayTheyHoldNone)
{
    const std::filesystem::path corpus = VELMORA_CORPUS_DIR;
    const struct {
        const char* demo;
        const char* source;
        const char* player;
        Weapon weapon;
        int hits, shots;
    } cases[] = {
        {"modern/cpma-duel.dm_68", "CPMA", "myT", Weapon::RocketLauncher, 70, 190},
        {"modern/duel-1.29.dm_66", "OSP", "ZeRo4", Weapon::Railgun, 25, 52},
        {"duel-1.27-osp.dm_48", "OSP", "^0cK^3-^7fatal^01^7ty", Weapon::LightningGun, 155, 759},
        {"ql/duel-sinister.dm_91", "Quake Live", "^7[^2MD^7] toxjq", Weapon::LightningGun, 240, 671},
        {"modern/team-chat-1.32.dm_68", "", nullptr, Weapon::None, 0, 0},
        {"ql/duel-hektik.dm_73", "", nullptr, Weapon::None, 0, 0},
    };
    for (const auto& c : cases) {
        const std::filesystem::path path = corpus / c.demo;
        if (corpus.empty() || !std::filesystem::exists(path))
            GTEST_SKIP() << "no corpus demo " << path;
        const MatchStatisticsResult read = LoadMatchStatistics(path.string(), {});
        EXPECT_TRUE(read.found && read.problem.empty()) << c.demo << read.problem;
        EXPECT_EQ(read.statistics.source, c.source) << c.demo;
        if (!c.player) {
            EXPECT_TRUE(read.statistics.Empty()) << c.demo;
            continue;
        }
        const PlayerStatistics* player = read.statistics.ForName(c.player);
        ASSERT_NE(player, nullptr) << c.demo;
        ASSERT_NE(player->Find(c.weapon), nullptr) << c.demo;
        EXPECT_EQ(std::pair(player->Find(c.weapon)->hits, player->Find(c.weapon)->shots), std::pair(c.hits, c.shots))
            << c.demo;
    }
    EXPECT_FALSE(LoadMatchStatistics((corpus / "no-such.dm_68").string(), {}).found);
}

TEST(MatchStatistics, AccuracySearchesHoldOnEachSideOfTheirBounds)
{
    testsupport::ScratchDir dir;
    LibraryIndex index;
    ASSERT_EQ(index.Open(dir.path() / "index.sqlite"), IndexStatus::Ok);
    ASSERT_EQ(index.Begin(), IndexStatus::Ok);
    int64_t folder = 0;
    ASSERT_EQ(index.AddFolder(dir.str(), folder), IndexStatus::Ok);
    const std::vector<std::pair<std::string, std::vector<IndexedAccuracy>>> demos{
        {"below.dm_68", {{"rg", 499, 1000}, {"lg", 300, 1000}}}, // 49.9 %
        {"at.dm_68", {{"rg", 500, 1000}}},                       // 50 %
        {"third.dm_68", {{"rg", 1, 3}}},                         // 33.333... %
        {"none.dm_68", {}},
    };
    for (const auto& [name, accuracies] : demos) {
        IndexedDemo demo;
        demo.row[FieldDemoname] = name;
        demo.row[FieldLocation] = dir.str();
        demo.accuracies = accuracies;
        ASSERT_EQ(index.AddDemo(folder, demo), IndexStatus::Ok);
    }
    ASSERT_EQ(index.Commit(), IndexStatus::Ok);
    const struct {
        const char* query;
        std::set<std::string> found;
    } cases[] = {
        {"acc:rg>=50", {"at.dm_68"}},
        {"acc:rail>=49.9", {"below.dm_68", "at.dm_68"}},
        {"acc:railgun>49.9", {"at.dm_68"}},
        {"acc:RG<50", {"below.dm_68", "third.dm_68"}},
        {"acc:rg<=49.9", {"below.dm_68", "third.dm_68"}},
        {"acc:rg>33.33", {"below.dm_68", "at.dm_68", "third.dm_68"}},
        {"acc:rg<=33.33", {}},
        {"acc:rg=50", {"at.dm_68"}},
        {"acc:rg>=40 acc:lightning>=30", {"below.dm_68"}},
        {"acc:lg>30", {}},
        {"acc:rl>=0", {}},
    };
    for (const auto& c : cases) {
        const SearchQuery query = ParseSearchQuery(c.query);
        ASSERT_TRUE(query.errors.empty()) << c.query;
        std::set<std::string> found;
        for (const DemoInfo& row : index.Search(query).rows)
            found.insert(row[FieldDemoname]);
        EXPECT_EQ(found, c.found) << c.query;
    }
    for (const char* bad : {"acc:rg", "acc:xyz>=5", "acc:rg>=100.01", "acc:rg>=-1", "acc:rg>=5.123", "acc:rg>=."})
        EXPECT_EQ(ParseSearchQuery(bad).errors.size(), 1u) << bad;
    EXPECT_TRUE(ParseSearchQuery("acc:rg>=100").errors.empty());
}

TEST(MatchStatistics, TheIndexUpdaterReadsThemFromTheDemos)
{
    const std::filesystem::path corpus = VELMORA_CORPUS_DIR;
    if (corpus.empty() || !std::filesystem::exists(corpus / "modern" / "cpma-duel.dm_68"))
        GTEST_SKIP() << "no corpus";
    testsupport::ScratchDir library, data;
    for (const char* demo : {"cpma-duel.dm_68", "team-chat-1.32.dm_68"})
        std::filesystem::copy_file(corpus / "modern" / demo, library.path() / demo);
    LibraryIndex index;
    ASSERT_EQ(index.Open(data.path() / "index.sqlite"), IndexStatus::Ok);
    ASSERT_EQ(UpdateLibraryIndex(index, {library.str()}, {}).status, IndexStatus::Ok);
    // myT's lightning gun: 412 hits of 1034 shots, 39.845 %.
    const struct {
        const char* query;
        size_t found;
    } cases[] = {{"acc:lg>=39.84", 1}, {"acc:lg>=39.85", 0}, {"acc:lg>=0", 1}, {"acc:bfg>=0", 0}};
    for (const auto& c : cases)
        EXPECT_EQ(index.Search(ParseSearchQuery(c.query)).rows.size(), c.found) << c.query;
}

} // namespace
