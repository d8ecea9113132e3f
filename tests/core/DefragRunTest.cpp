// DeFRaG runs: the finish prints of the mod's versions, read to the end of a demo; the "Run time"
// column, its scan cache fields and the older layouts; the community's file names; the df: facets.
#include <gtest/gtest.h>

#include "core/index/LibraryIndex.h"
#include "core/index/SearchQuery.h"
#include "core/library/DefragNames.h"
#include "core/library/ScanCache.h"
#include "core/settings/ColumnSchemes.h"
#include "core/settings/Settings.h"
#include "core/summary/DefragRuns.h"
#include "core/summary/DemoReader.h"
#include "support/DefragDemo.h"
#include "support/ScratchDir.h"
#include "support/ZipBuilder.h"

using namespace core;

namespace {

std::vector<uint8_t> RunDemo(const std::string& mod, const std::string& promode, const std::vector<std::string>& prints)
{
    return testsupport::DefragDemo(mod, promode, prints);
}

DemoState Read(const std::vector<uint8_t>& bytes)
{
    ReadWishes wishes;
    wishes.extension = ".dm_68";
    return ReadDemo(bytes, wishes);
}

DemoInfo RunRow(const std::string& name, const std::string& map, std::optional<DefragRun> run)
{
    DemoInfo row;
    row[FieldDemoname] = name;
    row[FieldMap] = map;
    SetDefragRun(row, std::move(run));
    return row;
}

} // namespace

TEST(DefragRun, FinishPrintsOfEveryVersionGiveTimeAndPlayer)
{
    const struct {
        std::string print;
        std::optional<int64_t> milliseconds;
        std::string player;
    } cases[] = {
        {"Time performed by ^1Bob^7 : ^325:488^7", 25488, "^1Bob"},
        {"^7Time performed by Bob^7 : ^31:02:003^7 (^2v1.91.27^7)", 62003, "Bob"},
        {"Time performed by a : b^7 : ^359:999", 59999, "a : b"}, // the name holds " : "
        {"^1Bob^7 reached the finish line in ^21:05:488^7", 65488, "^1Bob"},
        {"Bob^7 reached the finish line in ^2^31^7:^305^7:^3488^7.", 65488, "Bob"},
        {"Bob^7 reached the finish line in ^21:00:00:000", 3600000, "Bob"},
        {"Bob^7 reached the finish line in ^20:60:000", std::nullopt, ""}, // 60 seconds
        {"Time performed by Bob^7 : ^325:48", std::nullopt, ""},           // two-digit milliseconds
        {"Time performed by Bob^7 : soon", std::nullopt, ""},
        {"Bob: Time performed by me : 25:488", std::nullopt, ""}, // a player's chat form
        {"Bob^7 entered the game", std::nullopt, ""},
    };
    for (const auto& c : cases) {
        const std::optional<DefragFinish> finish = ReadDefragFinish(c.print);
        EXPECT_EQ(finish ? std::optional(finish->milliseconds) : std::nullopt, c.milliseconds) << c.print;
        if (finish) {
            EXPECT_EQ(finish->player, c.player) << c.print;
        }
    }
}

TEST(DefragRun, DefragDemosAreReadToTheirEndForTheFastestFinish)
{
    const struct {
        std::string mod, promode;
        std::vector<std::string> prints;
        std::optional<DefragRun> run;
    } cases[] = {
        {"defrag", "0", {"Time performed by ^1Bob^7 : ^325:488^7"}, DefragRun{"vq3", 25488, "^1Bob"}},
        {"defrag",
         "1",
         {"Time performed by Al^7 : ^331:000", "Time performed by Bob^7 : ^325:488",
          "Time performed by Cy^7 : ^329:000"},
         DefragRun{"cpm", 25488, "Bob"}},
        {"defrag", "1", {"Bob^7 entered the game"}, DefragRun{"cpm", std::nullopt, ""}},
        {"defrag", "", {"Time performed by Bob^7 : ^325:488"}, DefragRun{"", 25488, "Bob"}},
        // The same print on a server of another mod is a print.
        {"baseq3", "1", {"Time performed by Bob^7 : ^325:488"}, std::nullopt},
    };
    for (const auto& c : cases) {
        const DemoState demo = Read(RunDemo(c.mod, c.promode, c.prints));
        EXPECT_TRUE(demo.whole);
        EXPECT_EQ(demo.defrag, c.run) << c.mod << " " << c.promode << " " << c.prints.front();
    }
}

TEST(DefragRun, ADemosReadTimeEqualsTheTimeItsCommunityNameCarries)
{
    testsupport::ScratchDir dir;
    const std::string name = "st1[df.cpm]01.02.003(Bob.Germany).dm_68";
    testsupport::WriteFile(dir.path() / name, RunDemo("defrag", "1", {"Time performed by ^1Bob^7 : ^31:02:003^7"}));
    const DemoRead read = LoadDemo((dir.path() / name).string(), "", false);
    ASSERT_TRUE(read.ok());
    const std::optional<DefragName> named = ParseDefragFileName(name);
    ASSERT_TRUE(named && read.value().defrag && read.value().defrag->milliseconds);
    EXPECT_EQ(*read.value().defrag->milliseconds, named->milliseconds);
    EXPECT_EQ(read.value().defrag->physics, named->physics);
    EXPECT_EQ(LowerCase(InfoValueOf(read.value(), "mapname")), named->map);
    // Renamed again, the demo keeps its name.
    const auto fields = CacheFieldsFromDemo(CacheKeyFields(name, 1, 0, ""), read.value());
    const DemoInfo row = RowFromCacheFields(std::vector<std::string_view>(fields.begin(), fields.end()), "", "", {});
    EXPECT_TRUE(PlanDefragRenames({row}, [](const std::string&, const std::string&) { return true; }).empty());
}

TEST(DefragRun, RunTimeColumnTextAndSortKey)
{
    const struct {
        int64_t milliseconds;
        std::string text, named;
    } cases[] = {
        {0, "0:00.000", "00.00.000"},     {25488, "0:25.488", "00.25.488"}, {59999, "0:59.999", "00.59.999"},
        {60000, "1:00.000", "01.00.000"}, {62003, "1:02.003", "01.02.003"}, {6000000, "100:00.000", "100.00.000"},
    };
    for (const auto& c : cases) {
        const DemoInfo row = RunRow("a.dm_68", "st1", DefragRun{"vq3", c.milliseconds, "Bob"});
        EXPECT_EQ(row[FieldRunTime], c.text);
        EXPECT_EQ(DefragFileName({"st1", "vq3", c.milliseconds, "Bob", ""}, ".dm_68"),
                  "st1[df.vq3]" + c.named + "(Bob).dm_68");
        EXPECT_EQ(ParseDefragFileName("st1[df.vq3]" + c.named + "(Bob).dm_68")->milliseconds, c.milliseconds);
    }
    // By time, not by text ("10:00.000" < "9:59.999" as texts); a row without a run has no key.
    const DemoInfo slow = RunRow("a", "m", DefragRun{"vq3", 600000, ""}),
                   fast = RunRow("b", "m", DefragRun{"vq3", 599999, ""}), none = RunRow("c", "m", std::nullopt);
    int order = 0;
    ASSERT_TRUE(CompareRowKeys(fast, slow, FieldRunTime, order));
    EXPECT_LT(order, 0);
    EXPECT_FALSE(CompareRowKeys(fast, none, FieldRunTime, order));
    EXPECT_EQ(none[FieldRunTime], "");
}

TEST(DefragRun, ScanCacheKeepsRunsAndReadsOlderLinesOfDefragDemosAnew)
{
    DemoState demo = Read(RunDemo("defrag", "1", {"Time performed by ^1Bob^7 : ^325:488"}));
    const std::string line = CacheLineFromDemo(CacheKeyFields("a.dm_68", 10, 0, ""), demo);
    const DemoInfo row = RowFromCacheFields(SplitCacheLine(line), "", "", {});
    EXPECT_EQ(row[FieldRunTime], "0:25.488");
    EXPECT_EQ(row.defrag, (DefragRun{"cpm", 25488, "^1Bob"}));
    EXPECT_EQ(row[FieldMod], "defrag");
    const DemoState other = Read(RunDemo("baseq3", "", {}));
    const std::string plain = CacheLineFromDemo(CacheKeyFields("b.dm_68", 10, 0, ""), other);
    // The older layout: 21 fields. A defrag demo's such line is a miss; other demos' lines stay.
    const std::string older = line.substr(0, line.size() - std::string("25488\x01"
                                                                       "cpm\x01^1Bob\x01")
                                                               .size());
    const ScanCache cache = ScanCache::FromLines({line, plain, older});
    EXPECT_EQ(cache.Lines().size(), 2u);
    EXPECT_EQ(SplitCacheLine(plain).size(), 21u);
    EXPECT_EQ(SplitCacheLine(line).size(), 24u);
    EXPECT_TRUE(cache.Find(CacheKeyOf(plain)));
    ASSERT_TRUE(cache.Find(CacheKeyOf(line)));
    EXPECT_EQ(*cache.Find(CacheKeyOf(line)), line);
}

TEST(DefragRun, RenamePreviewRefusesCollisionsAndMakesNamesSafe)
{
    const std::vector<DemoInfo> rows{
        RunRow("a.dm_68", "st1", DefragRun{"vq3", 25488, "^1B/o.b(x)"}),
        RunRow("b.dm_68", "st1", DefragRun{"vq3", 25488, "^1B/o.b(x)"}), // same name as a's new one
        RunRow("c.dm_68", "st1", DefragRun{"cpm", std::nullopt, "Bob"}),
        RunRow("d.dm_68", "st1", std::nullopt),
        RunRow("e.DM_68", "st2", DefragRun{"cpm", 7001, "Al"}), // taken by a file of the folder
        RunRow("st3[df.cpm]00.01.000(Cy.Norway).dm_68", "st3", DefragRun{"cpm", 2000, "^2Cy"}),
        RunRow("f.dm_68", "st4", DefragRun{"", 1000, "Al"}),
    };
    const std::vector<DefragRename> plan =
        PlanDefragRenames(rows, [](const std::string& folder, const std::string& name) {
            return folder.empty() && name == "st2[df.cpm]00.07.001(Al).DM_68";
        });
    ASSERT_EQ(plan.size(), rows.size());
    const std::pair<std::string, bool> expected[] = {
        {"st1[df.vq3]00.25.488(B_o_b_x_).dm_68", true},
        {"", false},
        {"", false},
        {"", false},
        {"", false},
        {"st3[df.cpm]00.02.000(Cy.Norway).dm_68", true}, // the country its name carried
        {"", false},
    };
    for (size_t i = 0; i < plan.size(); ++i) {
        EXPECT_EQ(plan[i].newName, expected[i].first) << i;
        EXPECT_EQ(plan[i].problem.empty(), expected[i].second) << i << plan[i].problem;
    }
}

TEST(DefragSearch, FacetsFindRunsOnEachSideOfATimeBound)
{
    testsupport::ScratchDir dir;
    LibraryIndex index;
    ASSERT_EQ(index.Open(dir.path() / "index.sqlite"), IndexStatus::Ok);
    int64_t folder = 0;
    ASSERT_EQ(index.AddFolder(dir.str(), folder), IndexStatus::Ok);
    const std::vector<DemoInfo> rows{
        RunRow("fast.dm_68", "st1", DefragRun{"vq3", 29999, "Bob"}),
        RunRow("slow.dm_68", "st1", DefragRun{"vq3", 30000, "Al"}),
        RunRow("cpm.dm_68", "st1", DefragRun{"cpm", 25488, "Al"}),
        RunRow("other.dm_68", "st2", DefragRun{"vq3", 61000, "Al"}),
        RunRow("unfinished.dm_68", "st2", DefragRun{"vq3", std::nullopt, "Al"}),
        RunRow("q3.dm_68", "q3dm17", std::nullopt),
    };
    for (const DemoInfo& row : rows)
        ASSERT_EQ(index.AddDemo(folder, {row, 1, 0, "", {{row.defrag ? row.defrag->player : "Cy", 0, 0, ""}}, {}, {}}),
                  IndexStatus::Ok);
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"df:yes", {"cpm.dm_68", "fast.dm_68", "other.dm_68", "slow.dm_68"}},
        {"df:no", {"q3.dm_68", "unfinished.dm_68"}},
        {"df:cpm", {"cpm.dm_68"}},
        {"df:vq3 map:st2", {"other.dm_68", "unfinished.dm_68"}},
        {"dftime<30", {"cpm.dm_68", "fast.dm_68"}},
        {"dftime<=30", {"cpm.dm_68", "fast.dm_68", "slow.dm_68"}},
        {"dftime>29.999", {"other.dm_68", "slow.dm_68"}},
        {"dftime>=1:01", {"other.dm_68"}},
        {"dftime:25.488", {"cpm.dm_68"}},
        {"dftime:29", {"fast.dm_68"}}, // 29.000 to 29.999
        {"dftime:30", {"slow.dm_68"}},
        {"df:best", {"cpm.dm_68", "fast.dm_68", "other.dm_68"}},
        {"df:best player:al", {"cpm.dm_68", "other.dm_68", "slow.dm_68"}},
    };
    for (const auto& [query, names] : cases) {
        const SearchQuery parsed = ParseSearchQuery(query);
        ASSERT_TRUE(parsed.errors.empty()) << query;
        std::vector<std::string> found;
        for (const DemoInfo& row : index.Search(parsed).rows)
            found.push_back(row[FieldDemoname]);
        EXPECT_EQ(found, names) << query;
    }
    const SearchResult best = index.Search(ParseSearchQuery("df:best map:st1 df:vq3"));
    ASSERT_EQ(best.rows.size(), 1u);
    EXPECT_EQ(best.rows[0].defrag, (DefragRun{"vq3", 29999, "Bob"}));
    EXPECT_EQ(best.rows[0][FieldRunTime], "0:29.999");
    for (const std::string bad : {"dftime<soon", "dftime<1:5", "dftime:2.4567", "df:fast"})
        EXPECT_FALSE(ParseSearchQuery(bad).errors.empty()) << bad;
}

TEST(DefragRun, SettingsAndSchemesOfTheOlderColumnsKeepTheirArrangement)
{
    // A scheme of 26 lines (an older version's): the run time column hidden at the end.
    std::string older;
    for (int i = 0; i < 26; ++i)
        older += std::to_string(i < 3 ? 80 : 0) + "," + std::to_string(25 - i) + "\r\n";
    const SchemeParse parsed = ParseScheme(older);
    ASSERT_TRUE(parsed.scheme) << parsed.problem;
    EXPECT_EQ(parsed.scheme->order[0], 25);
    EXPECT_EQ(parsed.scheme->order[26], FieldRunTime);
    EXPECT_EQ(parsed.scheme->widths[FieldRunTime], 0);
    // Shown, it is written as a 27th line that older readers do not read, and read back.
    ColumnScheme shown = *parsed.scheme;
    shown.widths[FieldRunTime] = 70;
    std::rotate(shown.order.begin(), shown.order.end() - 1, shown.order.end());
    const std::string text = SchemeText(shown);
    EXPECT_EQ(text.substr(0, older.size()), older);
    EXPECT_EQ(text.substr(older.size()), "70,0\r\n");
    EXPECT_EQ(ParseScheme(text).scheme, shown);
    EXPECT_FALSE(ParseScheme(older + "70,27\r\n").scheme);

    // A configuration without the run time keys keeps its arrangement.
    IniFile file;
    for (int i = 0; i < 26; ++i)
        file.WriteString("Demo List", "Column" + std::to_string(i) + "_Order", std::to_string(25 - i));
    const SettingsRecord settings = LoadSettings(file, "/game");
    EXPECT_EQ(settings.demoList.ColumnOrder[0], 25);
    EXPECT_EQ(settings.demoList.ColumnOrder[25], 0);
    EXPECT_EQ(settings.demoList.ColumnOrder[26], FieldRunTime);
}
