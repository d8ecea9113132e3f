#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <set>
#include <sstream>

#include "core/details/DemoDescription.h"
#include "core/index/IndexUpdater.h"
#include "core/index/LibraryIndex.h"
#include "core/index/SearchQuery.h"
#include "core/row/DemoInfo.h"
#include "support/DemoBuilder.h"
#include "support/LibraryTestSupport.h"
#include "support/SearchCases.h"
#include "support/ZipBuilder.h"

using namespace core;
using testsupport::DemoBuilder;
using testsupport::Message;

namespace {

// One demo of the test library, described in the terms a user searches by.
struct LibraryEntry {
    std::string folder; // below the library root
    std::string file;   // a demo file, or "pack.pk3:demos/x.dm_48" for an archive member
    std::string map, title, gametype, gamename, mod, host;
    std::vector<std::pair<std::string, int>> players; // name as recorded, team
    int day = 20210615;                               // yyyymmdd
    std::string pov, rating, description;             // user data

    std::string Name() const
    {
        const std::string inner = file.substr(file.find(':') + 1);
        return inner.substr(inner.rfind('/') + 1);
    }
};

std::vector<uint8_t> DemoBytes(const LibraryEntry& entry)
{
    std::string info = "\\sv_hostname\\" + entry.host + "\\protocol\\48\\mapname\\" + entry.map + "\\g_gametype\\" +
                       entry.gametype + "\\gamename\\" + entry.gamename;
    if (!entry.mod.empty())
        info += "\\fs_game\\" + entry.mod;
    std::vector<std::pair<int, std::string>> strings{{0, info}, {1, "\\sv_pure\\1"}, {3, entry.title}};
    for (size_t i = 0; i < entry.players.size(); ++i)
        strings.emplace_back(544 + static_cast<int>(i),
                             testsupport::UserInfo(entry.players[i].first, entry.players[i].second));
    DemoBuilder demo(48);
    demo.Add(Message(48).GameState(strings));
    demo.Add(Message(48).Snapshot(1000));
    demo.Add(Message(48).Snapshot(61000)).End();
    return demo.Bytes();
}

uint32_t DosTimeOfDay(int day)
{
    return (static_cast<uint32_t>((day / 10000 - 1980) << 9 | (day / 100 % 100) << 5 | day % 100) << 16) | (12u << 11);
}

class Library {
public:
    explicit Library(std::vector<LibraryEntry> entries) : entries(std::move(entries)) {}

    void Write()
    {
        std::map<std::string, std::vector<testsupport::ZipMember>> archives;
        for (const LibraryEntry& entry : entries) {
            const size_t colon = entry.file.find(':');
            if (colon != std::string::npos) {
                archives[entry.folder + "/" + entry.file.substr(0, colon)].push_back(
                    {.name = entry.file.substr(colon + 1),
                     .data = DemoBytes(entry),
                     .dosTime = DosTimeOfDay(entry.day)});
            } else {
                const auto path = root.path() / entry.folder / entry.file;
                std::filesystem::create_directories(path.parent_path());
                testsupport::WriteFile(path, DemoBytes(entry));
                SetDay(path, entry.day);
            }
            WriteUserData(entry);
        }
        for (const auto& [path, members] : archives) {
            std::filesystem::create_directories((root.path() / path).parent_path());
            testsupport::WriteFile(root.path() / path, testsupport::BuildZip(members));
        }
    }

    void WriteUserData(const LibraryEntry& entry)
    {
        if (entry.pov.empty() && entry.rating.empty() && entry.description.empty())
            return;
        DemoUserData data{entry.pov, entry.rating, "", {}};
        if (!entry.description.empty())
            data.description = {entry.description};
        WriteDemoUserData(DemoDescriptionPath(userData.path(), entry.Name()), data);
    }

    static void SetDay(const std::filesystem::path& path, int day)
    {
        using namespace std::chrono;
        const sys_days date{year(day / 10000) / month(static_cast<unsigned>(day / 100 % 100)) /
                            std::chrono::day(static_cast<unsigned>(day % 100))};
        // Noon, so that the day is the same in every time zone the tests run in.
        const sys_seconds noon = time_point_cast<seconds>(date + hours(12));
        std::filesystem::last_write_time(path, file_clock::from_sys(noon));
    }

    std::vector<std::string> Folders() const { return FolderAndSubfolders(root.str()); }

    IndexUpdateResult Update(LibraryIndex& index, bool rebuild = false) const
    {
        IndexUpdateOptions options;
        options.demoDataDirectory = userData.path();
        options.rebuild = rebuild;
        return UpdateLibraryIndex(index, Folders(), options);
    }

    std::filesystem::path Database() const { return data.path() / std::string(kLibraryIndexName); }

    std::vector<LibraryEntry> entries;
    testsupport::ScratchDir root, userData, data;
};

bool Contains(const std::string& text, const std::string& part)
{
    return LowerCase(StripColourCodes(text)).find(part) != std::string::npos;
}

// The brute-force reading of a query, written from the query language's rules, not from the index.
bool Matches(const LibraryEntry& entry, const SearchQuery& query)
{
    const auto anyPlayer = [&](const std::string& part) {
        return std::any_of(entry.players.begin(), entry.players.end(),
                           [&](const auto& player) { return Contains(player.first, part); });
    };
    for (const std::string& word : query.words)
        if (!Contains(entry.Name(), word) && !Contains(entry.map, word) && !Contains(entry.title, word) &&
            !Contains(entry.host, word) && !Contains(entry.mod.empty() ? entry.gamename : entry.mod, word) &&
            !Contains(entry.description, word) && !anyPlayer(word))
            return false;
    // A facet given twice is either value.
    if (!query.players.empty() && std::none_of(query.players.begin(), query.players.end(), anyPlayer))
        return false;
    const auto oneOf = [](const std::vector<std::string>& values, const std::string& value) {
        return values.empty() || std::any_of(values.begin(), values.end(),
                                             [&](const std::string& v) { return LowerCase(v) == LowerCase(value); });
    };
    const std::string typeName = GameTypeName(entry.gametype, entry.gamename);
    if (!oneOf(query.maps, entry.map) || !oneOf(query.gametypes, typeName) ||
        !oneOf(query.mods, entry.mod.empty() ? entry.gamename : entry.mod) || !oneOf(query.protocols, "48"))
        return false;
    if ((query.afterDay && entry.day < *query.afterDay) || (query.beforeDay && entry.day >= *query.beforeDay))
        return false;
    // Bounds of one side are alternatives; lower, upper and equal must all hold.
    for (const auto& side : {std::set{RatingCondition::Op::Greater, RatingCondition::Op::GreaterOrEqual},
                             std::set{RatingCondition::Op::Less, RatingCondition::Op::LessOrEqual},
                             std::set{RatingCondition::Op::Equal}}) {
        bool asked = false, holds = false;
        for (const RatingCondition& condition : query.ratings) {
            if (!side.contains(condition.op))
                continue;
            asked = true;
            if (entry.rating.empty())
                continue;
            const int r = std::stoi(entry.rating), v = condition.value;
            holds = holds || (condition.op == RatingCondition::Op::Less             ? r < v
                              : condition.op == RatingCondition::Op::LessOrEqual    ? r <= v
                              : condition.op == RatingCondition::Op::Equal          ? r == v
                              : condition.op == RatingCondition::Op::GreaterOrEqual ? r >= v
                                                                                    : r > v);
        }
        if (asked && !holds)
            return false;
    }
    if (query.AnyPov() && !(query.povYes && !entry.pov.empty()) && !(query.povNo && entry.pov.empty()) &&
        std::none_of(query.povNames.begin(), query.povNames.end(),
                     [&](const std::string& name) { return Contains(entry.pov, name); }))
        return false;
    return true;
}

std::set<std::string> Names(const std::vector<DemoInfo>& rows)
{
    std::set<std::string> names;
    for (const DemoInfo& row : rows)
        names.insert(row[FieldDemoname]);
    return names;
}

std::vector<LibraryEntry> TestLibrary()
{
    return {
        {"2019",
         "final.dm_48",
         "q3dm6",
         "The Camping Grounds",
         "1",
         "baseq3",
         "",
         "^1cK^7-fatal1ty Cup",
         {{"^1cK^7-Fatal1ty", 0}, {"Zero4", 0}},
         20190301,
         "^1cK^7-Fatal1ty",
         "9",
         "grand final"},
        {"2019",
         "semi.dm_48",
         "q3dm17",
         "The Longest Yard",
         "1",
         "baseq3",
         "",
         "Cup",
         {{"Fatal1ty", 0}, {"toxjq", 0}},
         20190228,
         "",
         "7",
         ""},
        {"2019/ctf",
         "flags.dm_48",
         "q3ctf1",
         "Dueling Keeps",
         "4",
         "baseq3",
         "osp",
         "CTF night",
         {{"^4Blue^7Bob", 1}, {"^1Red^7Al", 2}, {"ab", 1}},
         20191111,
         "^4Blue^7Bob",
         "8",
         "bob's best"},
        {"old",
         "tdm.dm3",
         "q3dm7",
         "Temple of Retribution",
         "3",
         "baseq3",
         "",
         "LAN",
         {{"Anarki", 1}, {"Xaero", 2}},
         20180705,
         "",
         "",
         "xaero wins"},
        {"old",
         "packs.pk3:demos/inpack.dm_48",
         "q3dm6",
         "The Camping Grounds",
         "0",
         "baseq3",
         "",
         "Pub",
         {{"cK-fatal1ty", 0}, {"Visor", 0}},
         20200102,
         "",
         "10",
         ""},
        {"old",
         "packs.pk3:demos/more/ffa.dm_48",
         "q3dm1",
         "Arena Gate",
         "0",
         "baseq3",
         "cpma",
         "Pub 2",
         {{"Visor", 0}, {"Doom", 0}},
         20200601,
         "",
         "3",
         ""},
        {"",
         "root.dm_48",
         "q3dm6",
         "The Camping Grounds",
         "5",
         "osp",
         "osp",
         "one flag",
         {{"Sarge", 1}},
         20210615,
         "",
         "8",
         ""},
    };
}

TEST(LibraryIndexQuery, EveryFacetAndTheirCombinationsMatchABruteForceFilter)
{
    Library library(TestLibrary());
    library.Write();
    LibraryIndex index;
    ASSERT_EQ(index.Open(library.Database()), IndexStatus::Ok);
    ASSERT_EQ(library.Update(index).status, IndexStatus::Ok);
    ASSERT_EQ(index.DemoCount(), library.entries.size());

    const std::vector<std::pair<std::string, size_t>> cases{
        // free text: any searchable column, inside words, no case, no colour codes
        {"fatal1ty", 3},
        {"FATAL", 3},
        {"camping", 3},
        {"longest yard", 1},
        {"\"longest yard\"", 1},
        {"cup", 2},
        {"grand", 1},
        {"osp", 2},
        {"cpma", 1},
        {"inpack", 1},
        {"q3dm", 6},
        {"ab", 1},
        {"b", 6},
        {"zz", 0},
        {"^1red", 1},
        {"red al", 1},
        // player: a name contains the text; short texts and colour codes too
        {"player:fatal1ty", 3},
        {"player:ck-fatal", 2},
        {"player:^1ck", 2},
        {"player:al", 4},
        {"player:visor player:doom", 2},
        {"player:bob", 1},
        {"player:xx", 0},
        // whole values
        {"map:q3dm6", 3},
        {"map:Q3DM6", 3},
        {"map:q3dm", 0},
        {"map:q3dm6,q3dm17", 4},
        {"map:q3dm6 map:q3dm7", 4},
        {"type:ctf", 1},
        {"gametype:1v1", 2},
        {"type:ffa", 2},
        {"type:\"team deathmatch\"", 1},
        {"type:1fctf", 1},
        {"type:5", 1},
        {"mod:osp", 2},
        {"mod:os", 0},
        {"protocol:48", 7},
        {"protocol:4", 0},
        // dates: after is on or after the day, before is before it
        {"after:2019-03-01", 5},
        {"after:2019-03-02", 4},
        {"before:2019-03-01", 2},
        {"before:2019-03-02", 3},
        {"after:2019 before:2020", 3},
        {"after:2020-01", 3},
        // rating
        {"rating>=8", 4},
        {"rating>8", 2},
        {"rating<=7", 2},
        {"rating<7", 1},
        {"rating=10", 1},
        {"rating:9", 1},
        // point of view
        {"pov:yes", 2},
        {"pov:no", 5},
        {"pov:fatal", 1},
        {"pov:^4blue", 1},
        // combinations
        {"player:fatal1ty map:q3dm6 rating>=8 after:2019-01-01", 2},
        {"fatal1ty map:q3dm6 before:2020", 1},
        {"player:visor type:ffa mod:cpma", 1},
        {"cup pov:no", 1},
        {"type:tourney rating>=8 pov:yes", 1},
        // every facet given twice: either value; for ranges the wider bound of a side
        {"player:zero4 player:xaero", 2},
        {"player:zero4 player:zero4", 1},
        {"map:q3dm7 map:q3dm1", 2},
        {"type:ctf type:tdm", 2},
        {"mod:cpma mod:osp", 3},
        {"protocol:68 protocol:48", 7},
        {"after:2020-06-01 after:2019-11-11", 4},
        {"before:2019-03-01 before:2020", 4},
        {"after:2019 before:2020 before:2019-03-01", 3},
        {"rating>=9 rating>=3", 6},
        {"rating<7 rating<=3", 1},
        {"rating=9 rating:3", 2},
        {"rating>=5 rating<=8", 3},
        {"pov:yes pov:no", 7},
        {"pov:bob pov:fatal", 2},
        {"pov:no pov:bob", 6},
    };
    for (const auto& [text, expected] : cases) {
        const SearchQuery query = ParseSearchQuery(text);
        EXPECT_TRUE(query.errors.empty()) << text;
        std::set<std::string> wanted;
        for (const LibraryEntry& entry : library.entries)
            if (Matches(entry, query))
                wanted.insert(entry.Name());
        const SearchResult result = index.Search(query);
        ASSERT_EQ(result.status, IndexStatus::Ok) << text << ": " << result.message;
        EXPECT_EQ(Names(result.rows), wanted) << text;
        EXPECT_EQ(result.rows.size(), expected) << text;
        // The order of the terms never matters.
        std::string reversed, term;
        for (std::istringstream terms(text); terms >> term;)
            reversed = term + (reversed.empty() ? "" : " ") + reversed;
        if (text.find('"') == std::string::npos) {
            EXPECT_EQ(Names(index.Search(ParseSearchQuery(reversed)).rows), wanted) << reversed;
        }
    }
}

TEST(LibraryIndexQuery, LongSearchesAreSimplifiedOrRefusedInTheProgramsWords)
{
    Library library(TestLibrary());
    library.Write();
    LibraryIndex index;
    ASSERT_EQ(index.Open(library.Database()), IndexStatus::Ok);
    ASSERT_EQ(library.Update(index).status, IndexStatus::Ok);
    const auto repeat = [](size_t count, const std::function<std::string(size_t)>& term) {
        std::string text;
        for (size_t i = 0; i < count; ++i)
            text += term(i) + " ";
        return text;
    };
    struct Case {
        std::string what, text;
        size_t found; // SIZE_MAX: refused
    };
    const std::vector<Case> cases{
        {"1,000 times the same facet", repeat(1000, [](size_t) { return "player:visor"; }), 2},
        {"1,000 times the same word", repeat(1000, [](size_t) { return "Q3DM"; }), 6},
        {"100 different players",
         repeat(99, [](size_t i) { return "player:nobody" + std::to_string(i); }) + "player:visor", 2},
        {"100 different players, one short",
         repeat(99, [](size_t i) { return "player:q" + std::to_string(i); }) + "player:ab", 1},
        {"100 different words", repeat(100, [](size_t i) { return "word" + std::to_string(i); }), 0},
        {"100 different maps", repeat(100, [](size_t i) { return "map:m" + std::to_string(i); }), 0},
        {"101 different maps", repeat(101, [](size_t i) { return "map:m" + std::to_string(i); }), SIZE_MAX},
        {"101 different players", repeat(101, [](size_t i) { return "player:p" + std::to_string(i); }), SIZE_MAX},
        {"1,000 different alternatives in one term",
         "map:" + repeat(1000, [](size_t i) { return "m" + std::to_string(i) + ","; }), SIZE_MAX},
    };
    for (const Case& c : cases) {
        const SearchQuery query = ParseSearchQuery(c.text);
        if (c.found == SIZE_MAX) {
            ASSERT_EQ(query.errors.size(), 1u) << c.what;
            EXPECT_TRUE(query.errors.front().starts_with("The search is too long: it has ")) << query.errors.front();
            EXPECT_TRUE(query.errors.front().ends_with(" different terms, at most 100 can be searched at once."))
                << query.errors.front();
            continue;
        }
        EXPECT_TRUE(query.errors.empty()) << c.what;
        const SearchResult result = index.Search(query);
        EXPECT_EQ(result.status, IndexStatus::Ok) << c.what << ": " << result.message;
        EXPECT_EQ(result.rows.size(), c.found) << c.what;
    }
}

TEST(LibraryIndexQuery, CaseIsFoldedForAllOfUnicodeInEveryCoding)
{
    testsupport::ScratchDir root, userData, data;
    searchcases::WriteLibrary(root.path(), userData.path());
    LibraryIndex index;
    ASSERT_EQ(index.Open(data.path() / "index.sqlite"), IndexStatus::Ok);
    IndexUpdateOptions options;
    options.demoDataDirectory = userData.path();
    ASSERT_EQ(UpdateLibraryIndex(index, {root.str()}, options).status, IndexStatus::Ok);
    for (const searchcases::Case& c : searchcases::Cases()) {
        const SearchQuery query = ParseSearchQuery(c.query);
        ASSERT_TRUE(query.errors.empty()) << c.query;
        const SearchResult result = index.Search(query);
        ASSERT_EQ(result.status, IndexStatus::Ok) << c.query << ": " << result.message;
        EXPECT_EQ(Names(result.rows), std::set<std::string>(c.found.begin(), c.found.end())) << c.query;
    }
    // The players keep their clan tags apart from their names.
    const SearchResult plain = index.Search(ParseSearchQuery("plain.dm_48"));
    ASSERT_EQ(plain.rows.size(), 1u);
    std::vector<IndexedPlayer> players;
    ASSERT_EQ(index.Players(plain.rows.front(), players), IndexStatus::Ok);
    EXPECT_EQ(players,
              (std::vector<IndexedPlayer>{{"\xC4rger", 0, std::nullopt, ""}, {"deltapi", 0, std::nullopt, "PLNs"}}));
}

TEST(LibraryIndexQuery, RowsHoldTheListColumnsAndPlayers)
{
    Library library(TestLibrary());
    library.Write();
    LibraryIndex index;
    ASSERT_EQ(index.Open(library.Database()), IndexStatus::Ok);
    ASSERT_EQ(library.Update(index).status, IndexStatus::Ok);

    const SearchResult pack = index.Search(ParseSearchQuery("inpack"));
    ASSERT_EQ(pack.rows.size(), 1u);
    const DemoInfo& row = pack.rows.front();
    EXPECT_EQ(row[FieldArchiveLocation], "demos");
    EXPECT_EQ(row[FieldLocation], (library.root.path() / "old" / "packs.pk3").string());
    EXPECT_EQ(row[FieldMap], "q3dm6");
    EXPECT_EQ(row[FieldGametype], "Free for All");
    EXPECT_EQ(row[FieldRecorded], DosDateTimeText(DosTimeOfDay(20200102)));
    EXPECT_EQ(row[FieldRating], "10");
    std::vector<IndexedPlayer> players;
    ASSERT_EQ(index.Players(row, players), IndexStatus::Ok);
    EXPECT_EQ(players,
              (std::vector<IndexedPlayer>{{"cK-fatal1ty", 0, std::nullopt, ""}, {"Visor", 0, std::nullopt, ""}}));

    const SearchResult limited = index.Search(ParseSearchQuery("q3dm"), 2);
    EXPECT_EQ(limited.rows.size(), 2u);
    EXPECT_TRUE(limited.more);
}

TEST(LibraryIndexQuery, TermsThatCannotBeReadAreNamed)
{
    const std::vector<std::string> bad{"after:2019-13-01", "before:yesterday", "rating>=high", "after:19"};
    for (const std::string& text : bad)
        EXPECT_EQ(ParseSearchQuery(text).errors.size(), 1u) << text;
    EXPECT_TRUE(ParseSearchQuery("http://x.org ratings").errors.empty());
    EXPECT_EQ(ParseSearchQuery("http://x.org").words, std::vector<std::string>{"http://x.org"});
}

class IndexUpdateTest : public ::testing::Test {
protected:
    IndexUpdateTest() : library(TestLibrary()) { library.Write(); }
    Library library;
    LibraryIndex index;
};

TEST_F(IndexUpdateTest, OnlyWhatChangedIsReadAgain)
{
    ASSERT_EQ(index.Open(library.Database()), IndexStatus::Ok);
    IndexUpdateResult first = library.Update(index);
    EXPECT_EQ(first.demosRead, library.entries.size()); // each demo once
    EXPECT_EQ(library.Update(index).demosRead, 0u);
    EXPECT_EQ(library.Update(index).foldersChanged, 0u);

    struct Step {
        std::string what;
        std::function<void()> change;
        size_t reads, changedFolders;
        std::string query;
        size_t found;
    };
    const auto root = library.root.path();
    const std::vector<Step> steps{
        {"add", [&] { testsupport::WriteFile(root / "old" / "new.dm_48", DemoBytes(library.entries[0])); }, 1, 1,
         "new.dm_48", 1},
        {"remove", [&] { std::filesystem::remove(root / "2019" / "semi.dm_48"); }, 0, 1, "semi", 0},
        {"rename", [&] { std::filesystem::rename(root / "old" / "tdm.dm3", root / "old" / "renamed.dm3"); }, 1, 1,
         "renamed", 1},
        {"re-rate",
         [&] {
             WriteDemoUserData(DemoDescriptionPath(library.userData.path(), "flags.dm_48"), {"", "2", "", {}});
         },
         0, 0, "flags rating<=2", 1},
        {"rate a demo without user data",
         [&] {
             WriteDemoUserData(DemoDescriptionPath(library.userData.path(), "renamed.dm3"),
                               {"", "5", "", {"new note"}});
         },
         0, 0, "\"new note\" rating=5", 1},
        {"clear user data",
         [&] { std::filesystem::remove(DemoDescriptionPath(library.userData.path(), "final.dm_48")); }, 0, 0, "grand",
         0},
        {"change a pack",
         [&] {
             testsupport::WriteFile(
                 root / "old" / "packs.pk3",
                 testsupport::BuildZip({{.name = "demos/inpack.dm_48",
                                         .data = DemoBytes(library.entries[4]),
                                         .dosTime = DosTimeOfDay(library.entries[4].day)},
                                        {.name = "demos/late.dm_48", .data = DemoBytes(library.entries[5])}}));
         },
         1, 1, "player:visor", 2},
        {"empty a folder",
         [&] {
             std::filesystem::remove_all(root / "2019" / "ctf");
             std::filesystem::create_directory(root / "2019" / "ctf");
         },
         0, 1, "type:ctf", 0},
    };
    for (const Step& step : steps) {
        step.change();
        const IndexUpdateResult result = library.Update(index);
        ASSERT_EQ(result.status, IndexStatus::Ok) << step.what;
        EXPECT_EQ(result.demosRead, step.reads) << step.what;
        EXPECT_EQ(result.foldersChanged, step.changedFolders) << step.what;
        EXPECT_EQ(index.Search(ParseSearchQuery(step.query)).rows.size(), step.found) << step.what;
        EXPECT_EQ(library.Update(index).demosRead, 0u) << step.what << ", then nothing changed";
    }
    // Everything found after the changes is what a fresh index finds.
    LibraryIndex fresh;
    ASSERT_EQ(fresh.Open(library.data.path() / "fresh.sqlite"), IndexStatus::Ok);
    library.Update(fresh);
    for (const char* text : {"b", "fatal", "q3dm", "rating>=0", "player:a", "pov:yes"})
        EXPECT_EQ(Names(index.Search(ParseSearchQuery(text)).rows), Names(fresh.Search(ParseSearchQuery(text)).rows))
            << text;
}

TEST_F(IndexUpdateTest, FoldersLeavingTheTreeLeaveTheIndex)
{
    ASSERT_EQ(index.Open(library.Database()), IndexStatus::Ok);
    library.Update(index);
    IndexUpdateOptions options;
    options.demoDataDirectory = library.userData.path();
    const std::vector<std::string> only{(library.root.path() / "2019").string()};
    options.removeOthers = false;
    EXPECT_EQ(UpdateLibraryIndex(index, only, options).demosRemoved, 0u);
    EXPECT_EQ(index.DemoCount(), library.entries.size());
    options.removeOthers = true;
    EXPECT_EQ(UpdateLibraryIndex(index, only, options).demosRemoved, 5u);
    EXPECT_EQ(Names(index.Search(ParseSearchQuery("")).rows), (std::set<std::string>{"final.dm_48", "semi.dm_48"}));
}

TEST_F(IndexUpdateTest, AStoppedOrFailedFolderReadKeepsWhatTheIndexHolds)
{
    ASSERT_EQ(index.Open(library.Database()), IndexStatus::Ok);
    ASSERT_EQ(library.Update(index).status, IndexStatus::Ok);
    const std::vector<std::string> folders = library.Folders();
    const auto root = library.root.path();
    const auto everything = [&] { return Names(index.Search(ParseSearchQuery("")).rows); };
    const std::set<std::string> before = everything();
    ASSERT_EQ(before.size(), library.entries.size());
    const auto changed = [&](std::vector<std::string> gone, std::vector<std::string> added) {
        std::set<std::string> names = before;
        for (const std::string& name : gone)
            names.erase(name);
        names.insert(added.begin(), added.end());
        return names;
    };

    struct Case {
        std::string what;
        std::function<void()> change;
        std::string stopAtFolder; // the update is stopped when it reaches this folder; empty: never
        bool stopped;
        size_t unreadable;
        std::set<std::string> after; // what the index holds then
    };
    const std::vector<Case> cases{
        {"stopped before the changed folder",
         [&] { std::filesystem::rename(root / "old" / "tdm.dm3", root / "old" / "tdm2.dm3"); }, (root / "old").string(),
         true, 0, before},
        {"stopped at the first folder", [] {}, library.root.str(), true, 0, before},
        {"a folder that cannot be read (a link to itself)",
         [&] {
             std::filesystem::remove_all(root / "2019" / "ctf");
             std::filesystem::create_directory_symlink("ctf", root / "2019" / "ctf");
         },
         "", false, 1, changed({"tdm.dm3"}, {"tdm2.dm3"})},
        {"a pack that cannot be read, beside a change in its folder",
         [&] {
             testsupport::WriteFile(root / "old" / "packs.pk3", std::vector<uint8_t>(300, 'x'));
             testsupport::WriteFile(root / "old" / "new.dm_48", DemoBytes(library.entries[0]));
         },
         "", false, 1, changed({"tdm.dm3"}, {"tdm2.dm3", "new.dm_48"})},
        {"a folder that is gone", [&] { std::filesystem::remove(root / "2019" / "ctf"); }, "", false, 0,
         changed({"tdm.dm3", "flags.dm_48"}, {"tdm2.dm3", "new.dm_48"})},
    };
    for (const Case& c : cases) {
        c.change();
        std::stop_source stop;
        IndexUpdateOptions options;
        options.demoDataDirectory = library.userData.path();
        options.stop = stop.get_token();
        options.progress = [&](const IndexProgress& progress) {
            if (!c.stopAtFolder.empty() && progress.folder == c.stopAtFolder)
                stop.request_stop();
        };
        const IndexUpdateResult result = UpdateLibraryIndex(index, folders, options);
        EXPECT_EQ(result.status, IndexStatus::Ok) << c.what;
        EXPECT_EQ(result.stopped, c.stopped) << c.what;
        EXPECT_EQ(result.foldersUnreadable, c.unreadable) << c.what;
        EXPECT_EQ(everything(), c.after) << c.what;
    }
    // Once nothing stops it, the index holds what the folders hold.
    EXPECT_EQ(library.Update(index).stopped, false);
    EXPECT_EQ(everything(), cases.back().after);
}

TEST_F(IndexUpdateTest, ADamagedDatabaseIsBuiltAnewWithNothingLost)
{
    struct Damage {
        std::string what;
        std::function<void(const std::filesystem::path&)> apply;
    };
    const std::vector<Damage> damages{
        {"not a database", [](const auto& file) { librarytest::WriteText(file, std::string(8192, 'x')); }},
        {"pages overwritten",
         [](const auto& file) {
             std::string bytes = librarytest::ReadText(file);
             ASSERT_GT(bytes.size(), 8192u);
             std::fill(bytes.begin() + 4096, bytes.end(), '\xA5');
             librarytest::WriteText(file, bytes);
         }},
    };
    for (const Damage& damage : damages) {
        {
            LibraryIndex first;
            ASSERT_EQ(first.Open(library.Database()), IndexStatus::Ok);
            library.Update(first, true);
            ASSERT_EQ(first.DemoCount(), library.entries.size());
        } // closing checkpoints the log into the file
        damage.apply(library.Database());
        LibraryIndex reopened;
        reopened.Open(library.Database());
        const IndexUpdateResult result = library.Update(reopened);
        EXPECT_EQ(result.status, IndexStatus::Ok) << damage.what;
        EXPECT_TRUE(result.rebuilt) << damage.what;
        EXPECT_EQ(result.message, kIndexRebuiltMessage) << damage.what;
        EXPECT_EQ(reopened.DemoCount(), library.entries.size()) << damage.what;
        EXPECT_EQ(index.Search(ParseSearchQuery("player:fatal1ty")).status, IndexStatus::Failed); // never opened
        EXPECT_EQ(reopened.Search(ParseSearchQuery("player:fatal1ty")).rows.size(), 3u) << damage.what;
        EXPECT_FALSE(library.Update(reopened).rebuilt) << damage.what << ": the message comes once";
    }
}

TEST_F(IndexUpdateTest, ALockHeldByAnotherProgramIsWaitedForBrieflyThenReported)
{
    ASSERT_EQ(index.Open(library.Database(), 50), IndexStatus::Ok);
    library.Update(index);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(library.Database().c_str(), &other), SQLITE_OK);

    // Another writer: searches go on (readers never wait in WAL mode), updates give up and say so.
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE; DELETE FROM userdata;", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(index.Search(ParseSearchQuery("player:fatal1ty")).rows.size(), 3u);
    std::filesystem::remove(library.root.path() / "root.dm_48");
    const IndexUpdateResult update = library.Update(index);
    EXPECT_EQ(update.status, IndexStatus::Busy);
    EXPECT_EQ(update.message, "The library index is in use by another program; it is brought up to date next time.");
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    EXPECT_EQ(library.Update(index).status, IndexStatus::Ok);
    EXPECT_EQ(index.Search(ParseSearchQuery("root")).rows.size(), 0u);

    // A program that keeps the file to itself: opening and searching report it instead of hanging.
    index.Close();
    ASSERT_EQ(sqlite3_exec(other, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; DELETE FROM userdata;", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    LibraryIndex locked;
    EXPECT_EQ(locked.Open(library.Database(), 50), IndexStatus::Busy);
    const SearchResult search = locked.Search(ParseSearchQuery("fatal1ty"));
    EXPECT_EQ(search.status, IndexStatus::Busy);
    EXPECT_EQ(search.message, "The library index is in use by another program; try again in a moment.");
    EXPECT_EQ(locked.DemoCount(), std::nullopt) << "a count that cannot be read is no count of 0";
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(locked.Search(ParseSearchQuery("fatal1ty")).rows.size(), 3u);
}

} // namespace
