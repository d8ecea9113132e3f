#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <functional>

#include "core/archive/ZipRead.h"
#include "core/library/ScanCache.h"
#include "core/library/Scanner.h"
#include "support/DemoBuilder.h"
#include "support/LibraryTestSupport.h"
#include "support/ZipBuilder.h"

using namespace core;
using librarytest::ReadText;
using librarytest::WriteText;
using testsupport::DemoBuilder;
using testsupport::Message;

namespace {

const std::string S = "\x01";
const FolderColours kColours{0x000011, 0x808080};

std::vector<uint8_t> Demo(const std::string& map, uint32_t lastSnapshot = 61000)
{
    DemoBuilder demo(48);
    demo.Add(
        Message(48).GameState({{0, testsupport::ServerInfo(48, map, "4")}, {1, "\\sv_pure\\1\\gamename\\baseq3"}}));
    demo.Add(Message(48).Snapshot(1000));
    demo.Add(Message(48).Snapshot(lastSnapshot)).End();
    return demo.Bytes();
}

class RecordingList : public ScanTarget {
public:
    void Clear() override
    {
        rows.clear();
        ++clears;
    }
    void AddRow(DemoInfo row) override { rows.push_back(std::move(row)); }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    std::vector<std::string> Column(int field) const
    {
        std::vector<std::string> values;
        for (const DemoInfo& row : rows)
            values.push_back(row[field]);
        return values;
    }
    std::vector<DemoInfo> rows;
    int clears = 0;
};

class RecordingFeedback : public LibraryFeedback {
public:
    void ShowParsing(const std::string& path) override
    {
        parsed.push_back(path);
        if (onParsing)
            onParsing(path);
    }
    void ShowSummary(const std::string& text) override { summary = text; }
    void ColourSelectedFolder(uint32_t c) override { colour = c; }
    void ShowError(const std::string& text, const std::string& title) override { errors.push_back({text, title}); }
    std::vector<std::string> parsed;
    std::vector<std::pair<std::string, std::string>> errors;
    std::string summary;
    uint32_t colour = 0xFFFFFFFF;
    std::function<void(const std::string&)> onParsing;
};

class ScanDemosTest : public ::testing::Test {
protected:
    ScanTotals Scan(unsigned threads = 0)
    {
        demoList = RecordingList{};
        feedback = RecordingFeedback{};
        ScanSettings settings;
        settings.demoDataDirectory = userData.path();
        settings.colours = kColours;
        settings.threads = threads;
        ScanTotals totals;
        ScanDemos(FolderScanArgument(folder.str()), demoList, playList, feedback, settings, &totals);
        return totals;
    }
    std::string Cache() const { return ReadText(folder.path() / "vmr_scan"); }
    void Put(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        testsupport::WriteFile(folder.path() / name, bytes);
    }

    testsupport::ScratchDir folder, userData;
    RecordingList demoList, playList;
    RecordingFeedback feedback;
};

TEST(ScanArgument, ThreeFormsAreTold)
{
    struct Case {
        std::string argument;
        ScanMode mode;
        std::string path, folder, pattern;
    };
    const Case cases[] = {
        {"/q3/demos/*.*", ScanMode::Folder, "/q3/demos", "/q3/demos", "*.dm*"},
        {"/*.*", ScanMode::Folder, "/", "/", "*.dm*"},
        {"/q3/demos/a.dm3", ScanMode::Single, "/q3/demos/a.dm3", "/q3/demos", "*.dm*"},
        {S + "/q3/pak0.pk3\\a.dm_48", ScanMode::SingleMember, "/q3/pak0.pk3", "/q3", "a.dm_48"},
    };
    for (const Case& c : cases) {
        const ScanRequest r = ParseScanArgument(c.argument);
        EXPECT_EQ(r.mode, c.mode) << c.argument;
        EXPECT_EQ(r.path, c.path) << c.argument;
        EXPECT_EQ(r.folder, c.folder) << c.argument;
        EXPECT_EQ(r.memberPattern, c.pattern) << c.argument;
    }
    EXPECT_EQ(FolderScanArgument("/q3/demos/"), "/q3/demos/*.*");
    EXPECT_EQ(MemberScanArgument("/q3/x.zip", "a.dm3"), S + "/q3/x.zip\\a.dm3");
}

TEST(ScanCacheLines, KeysAndLookup)
{
    EXPECT_EQ(MakeCacheKey("a.dm3", 1234, 0x80000000u, ""), "a.dm3" + S + "1234" + S + "-2147483648" + S);
    EXPECT_EQ(MakeCacheKey("a.dm3", 1, 2, "pak0.pk3\\demos"), "a.dm3" + S + "1" + S + "2" + S + "pak0.pk3\\demos");
    EXPECT_EQ(CacheKeyOf("a" + S + "1" + S + "2" + S + "x" + S + "map" + S), "a" + S + "1" + S + "2" + S + "x");
    EXPECT_EQ(CacheKeyOf("abc"), "ab");

    const std::string tail = std::string(17, 'f');
    auto line = [&](const std::string& key, const std::string& map) {
        std::string text = key + S + map + S;
        for (int i = 0; i < 16; ++i)
            text += "v" + S;
        return text;
    };
    const std::string keyA = MakeCacheKey("A.dm3", 10, 20, ""), keyLower = MakeCacheKey("a.dm3", 10, 20, "");
    const std::string keyMember = MakeCacheKey("b.dm3", 10, 20, "x.pk3\\demos");
    // Out of order, with lines whose key fields are not numbers.
    const ScanCache cache = ScanCache::FromLines({
        line(keyMember, "m"),
        line(keyA, "upper"),
        line("c.dm3" + S + "1x" + S + "2" + S, "bad size"),
        line("c.dm3" + S + "1" + S + "99999999999" + S, "bad date"),
    });
    ASSERT_EQ(cache.Lines().size(), 2u);
    ASSERT_NE(cache.Find(keyA), nullptr);
    EXPECT_EQ(*cache.Find(keyA), line(keyA, "upper"));
    ASSERT_NE(cache.Find(keyLower), nullptr) << "keys compare ignoring case";
    ASSERT_NE(cache.Find(keyMember), nullptr);
    EXPECT_EQ(cache.Find(MakeCacheKey("b.dm3", 10, 20, "x.pk3\\")), nullptr);
    EXPECT_EQ(cache.Find(MakeCacheKey("A.dm3", 11, 20, "")), nullptr);

    // Two spellings of one name (possible on Linux): each finds its own line.
    const ScanCache both = ScanCache::FromLines({line(keyA, "upper"), line(keyLower, "lower")});
    EXPECT_EQ(*both.Find(keyLower), line(keyLower, "lower"));
    EXPECT_EQ(*both.Find(keyA), line(keyA, "upper"));

    // A new cache keeps one copy of a repeated line and drops lines whose exact keys clash.
    const std::vector<std::string> finished =
        FinishCacheLines({line(keyA, "x"), line(keyMember, "m1"), line(keyA, "x"), line(keyMember, "m2")});
    EXPECT_EQ(finished, std::vector<std::string>{line(keyA, "x")});
}

TEST_F(ScanDemosTest, WritesTheCacheLineByLineAndFillsRows)
{
    Put("b.dm3", Demo("Q3DM6"));
    const uint32_t future = (uint32_t{(2050 - 1980) << 9 | 1 << 5 | 2} << 16) | (3 << 11);
    Put("pak0.pk3", testsupport::BuildZip({{.name = "demos/m.dm_48", .data = Demo("Q3DM17", 121000)},
                                           {.name = "root.dm3", .data = Demo("q3tourney2"), .dosTime = future},
                                           {.name = "maps/q3dm6.bsp", .data = {1, 2}}}));
    WriteText(userData.path() / "m.dm_48.description", "^1Bob\r\n5\r\nhttp://x\r\nfirst\r\nsecond\r\n");
    std::filesystem::create_directories(userData.path() / "b.dm3.description"); // cannot be read

    const ScanTotals totals = Scan();
    // The unreadable description is handed to the window, which tells the user; the demo is listed.
    EXPECT_EQ(feedback.errors, (std::vector<std::pair<std::string, std::string>>{
                                   {"Parsing.GetUserInfo: " + (userData.path() / "b.dm3.description").string(),
                                    "VMR Load File Error"}}));
    ASSERT_EQ(demoList.rows.size(), 3u);
    EXPECT_EQ(demoList.clears, 1);
    EXPECT_EQ(demoList.Column(FieldDemoname), (std::vector<std::string>{"b.dm3", "m.dm_48", "root.dm3"}));
    EXPECT_EQ(demoList.Column(FieldArchiveLocation), (std::vector<std::string>{"", "demos", ""}));
    const std::string pak = folder.str() + "/pak0.pk3";
    EXPECT_EQ(demoList.Column(FieldLocation), (std::vector<std::string>{folder.str(), pak, pak}));
    EXPECT_EQ(demoList.Column(FieldMap), (std::vector<std::string>{"q3dm6", "q3dm17", "q3tourney2"}));
    EXPECT_EQ(demoList.Column(FieldPlaytime), (std::vector<std::string>{"00:01:00", "00:02:00", "00:01:00"}));
    EXPECT_EQ(demoList.Column(FieldPOV), (std::vector<std::string>{"", "Bob", ""}));
    EXPECT_EQ(demoList.rows[1][FieldDescription], "first");
    EXPECT_EQ(demoList.rows[2][FieldRecorded], DosDateTimeText(future));
    EXPECT_EQ(totals.rows, 3u);
    EXPECT_EQ(totals.fromCache, 0u);

    const uint64_t memberSize = Demo("Q3DM17", 121000).size();
    EXPECT_EQ(demoList.rows[1][FieldSize], FormatListSize(memberSize));
    std::string expectedMemberLine =
        MakeCacheKey("m.dm_48", memberSize, testsupport::kDefaultDosTime, "pak0.pk3\\demos");
    for (int f = FieldMap; f <= FieldFinalScore; ++f)
        expectedMemberLine += S + demoList.rows[1][f];
    expectedMemberLine += S;

    const std::string cache = Cache();
    const std::vector<std::string> lines = SplitTextLines(cache);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(std::count(cache.begin(), cache.end(), '\n'), 3) << "CR LF after every line";
    EXPECT_TRUE(cache.ends_with(S + "\r\n"));
    EXPECT_TRUE(lines[0].starts_with("b.dm3" + S));
    EXPECT_EQ(lines[1], expectedMemberLine);
    EXPECT_TRUE(lines[2].starts_with("root.dm3" + S + std::to_string(Demo("q3tourney2").size()) + S +
                                     std::to_string(static_cast<int32_t>(future)) + S + "pak0.pk3\\" + S));
    for (const std::string& line : lines)
        EXPECT_EQ(std::count(line.begin(), line.end(), S[0]), 21) << line;
    EXPECT_EQ(feedback.colour, kColours.demoFolder);
    EXPECT_TRUE(feedback.summary.starts_with("3 item(s) loaded in ")) << feedback.summary;
    EXPECT_NE(feedback.summary.find("sec. 0.00% read from cache. "), std::string::npos) << feedback.summary;
}

TEST_F(ScanDemosTest, CacheHitsNeedTheSameNameSizeDateAndPlace)
{
    Put("a.dm3", Demo("q3dm1"));
    Scan();
    // Mark the cached map so that a hit is told from a fresh read.
    std::string cache = Cache();
    cache.replace(cache.find("q3dm1"), 5, "CACHE");
    WriteText(folder.path() / "vmr_scan", cache);

    struct Case {
        const char* what;
        std::function<void()> change;
        bool hit;
        std::string pov = "";
    };
    const Case cases[] = {
        {"nothing changed", [] {}, true},
        {"user data changed", [&] { WriteText(userData.path() / "a.dm3.description", "Ann\r\n7\r\n"); }, true, "Ann"},
        {"renamed", [&] { std::filesystem::rename(folder.path() / "a.dm3", folder.path() / "b.dm3"); }, false},
        {"other date",
         [&] {
             std::filesystem::last_write_time(folder.path() / "b.dm3",
                                              std::filesystem::last_write_time(folder.path() / "b.dm3") -
                                                  std::chrono::hours(30));
         },
         false},
        {"other size", [&] { Put("b.dm3", Demo("q3dm1", 99000)); }, false},
    };
    for (const Case& c : cases) {
        c.change();
        const ScanTotals totals = Scan();
        ASSERT_EQ(demoList.rows.size(), 1u) << c.what;
        EXPECT_EQ(demoList.rows[0][FieldMap], c.hit ? "CACHE" : "q3dm1") << c.what;
        EXPECT_EQ(totals.fromCache, c.hit ? 1u : 0u) << c.what;
        EXPECT_EQ(feedback.parsed.size(), c.hit ? 0u : 1u) << c.what;
        EXPECT_EQ(demoList.rows[0][FieldPOV], c.pov) << c.what;
        // Refill the mark for the next case from the cache this scan wrote.
        cache = Cache();
        if (const size_t at = cache.find("q3dm1"); at != std::string::npos)
            cache.replace(at, 5, "CACHE");
        WriteText(folder.path() / "vmr_scan", cache);
    }
    EXPECT_EQ(Cache().find("Ann"), std::string::npos);
    EXPECT_EQ(Cache().find(folder.str()), std::string::npos) << "Location is not cached";
}

TEST_F(ScanDemosTest, ForeignOrDamagedCacheLinesAreMisses)
{
    Put("a.dm3", Demo("q3dm1"));
    Scan();
    const std::string good = SplitTextLines(Cache()).at(0);
    const std::string key(CacheKeyOf(good));
    const std::string damaged[] = {
        key + S + "map" + S,             // too few fields
        good.substr(0, good.size() - 1), // last separator cut off
        good + "extra" + S,              // too many fields
        std::string(5000, '\xff'),       // noise
        "",
    };
    for (const std::string& line : damaged) {
        WriteText(folder.path() / "vmr_scan", "zzz\r\n" + line + "\r\n" + std::string("\0\x01\x01", 3));
        const ScanTotals totals = Scan();
        EXPECT_EQ(totals.fromCache, 0u);
        ASSERT_EQ(demoList.rows.size(), 1u);
        EXPECT_EQ(demoList.rows[0][FieldMap], "q3dm1");
        EXPECT_EQ(SplitTextLines(Cache()), std::vector<std::string>{good}) << "the cache is written anew";
    }
    // A well-formed line in a file that is not in order (and has bare LF line ends) still counts.
    WriteText(folder.path() / "vmr_scan", "zzz" + S + "1" + S + "1" + S + std::string(18, S[0]) + "\n" + good + "\n");
    EXPECT_EQ(Scan().fromCache, 1u);
}

TEST_F(ScanDemosTest, AbortKeepsTheOldCacheAndThePartialList)
{
    Put("a.dm3", Demo("q3dm1"));
    Scan();
    const std::string oldCache = Cache();
    for (const char* name : {"b.dm3", "c.dm3", "d.dm3", "e.dm3"})
        Put(name, Demo("q3dm2"));

    for (unsigned threads : {1u, 2u, 4u}) {
        demoList = RecordingList{};
        feedback = RecordingFeedback{};
        std::stop_source stop;
        feedback.onParsing = [&](const std::string& path) {
            if (path.ends_with("c.dm3"))
                stop.request_stop();
        };
        ScanSettings settings;
        settings.colours = kColours;
        settings.threads = threads;
        settings.stop = stop.get_token();
        ScanTotals totals;
        ScanDemos(FolderScanArgument(folder.str()), demoList, playList, feedback, settings, &totals);
        EXPECT_TRUE(totals.aborted);
        EXPECT_EQ(demoList.Column(FieldDemoname), (std::vector<std::string>{"a.dm3", "b.dm3", "c.dm3"}))
            << "the demo in progress finishes, nothing after it";
        EXPECT_EQ(Cache(), oldCache);
        EXPECT_EQ(feedback.colour, kColours.demoFolder);
    }
}

TEST_F(ScanDemosTest, FolderWithoutDemosLosesItsCache)
{
    Put("a.dm3", Demo("q3dm1"));
    Scan();
    ASSERT_TRUE(std::filesystem::exists(folder.path() / "vmr_scan"));
    std::filesystem::remove(folder.path() / "a.dm3");
    const ScanTotals totals = Scan();
    EXPECT_EQ(totals.rows, 0u);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "vmr_scan"));
    EXPECT_EQ(feedback.colour, kColours.nonDemoFolder);
    EXPECT_EQ(feedback.summary, "0 item(s) loaded in " + feedback.summary.substr(20, 4) +
                                    " sec. 0.00% read from cache. 0.00 KB. Playtime: 00:00:00");
}

TEST_F(ScanDemosTest, OnlyDemosAndArchivesWithDemosAreListed)
{
    Put(".hidden.dm3", Demo("q3dm1"));
    Put("notes.txt", {1, 2, 3});
    Put("setup.exe", {'M', 'Z', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    Put("sfx.exe", testsupport::BuildZip({{.name = "in/sfx.dm3", .data = Demo("q3dm3")}}, {.exeStubSize = 512}));
    Put("broken.zip", {'P', 'K', 3, 4, 9, 9});
    Put("nodemos.pk3", testsupport::BuildZip({{.name = "maps/a.bsp", .data = {1}}}));
    Put("later.DM_68", Demo("q3dm4"));
    std::filesystem::create_directories(folder.path() / "folder.dm3");
    std::filesystem::create_directories(folder.path() / "sub");
    Put("sub/deeper.dm3", Demo("q3dm5"));

    Scan();
    EXPECT_EQ(demoList.Column(FieldDemoname), (std::vector<std::string>{"later.DM_68", "sfx.dm3"}));
    EXPECT_EQ(demoList.rows[1][FieldArchiveLocation], "in");
}

TEST_F(ScanDemosTest, SingleModesAppendToThePlayListOnly)
{
    Put("x.zip", testsupport::BuildZip({{.name = "one/dup.dm3", .data = Demo("q3dm1")},
                                        {.name = "two/DUP.dm3", .data = Demo("q3dm2")},
                                        {.name = "two/other.dm3", .data = Demo("q3dm3")}}));
    Put("p.dm3", Demo("q3dm7"));
    ScanSettings settings;
    settings.colours = kColours;
    playList.rows.push_back(DemoInfo{});

    ScanDemos(MemberScanArgument(folder.str() + "/x.zip", "dup.dm3"), demoList, playList, feedback, settings);
    ScanDemos(folder.str() + "/p.dm3", demoList, playList, feedback, settings);
    ScanDemos(folder.str() + "/x.zip", demoList, playList, feedback, settings);
    EXPECT_EQ(playList.Column(FieldMap),
              (std::vector<std::string>{"", "q3dm1", "q3dm2", "q3dm7", "q3dm1", "q3dm2", "q3dm3"}));
    EXPECT_EQ(playList.Column(FieldArchiveLocation),
              (std::vector<std::string>{"", "one", "two", "", "one", "two", "two"}));
    EXPECT_TRUE(demoList.rows.empty());
    EXPECT_EQ(demoList.clears, 0);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "vmr_scan"));
    EXPECT_TRUE(feedback.summary.empty());
}

TEST_F(ScanDemosTest, TextsWithTheSeparatorAreListedButNotCached)
{
    Put("odd.dm3", Demo("odd" + S + "map\r\nx"));
    Put("fine.dm3", Demo("q3dm1"));
    Scan();
    ASSERT_EQ(demoList.rows.size(), 2u);
    EXPECT_EQ(demoList.rows[1][FieldMap], "odd" + S + "map\r\nx");
    EXPECT_EQ(demoList.rows[1][FieldProtocol], "48");
    const std::vector<std::string> lines = SplitTextLines(Cache());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].starts_with("fine.dm3"));
    EXPECT_EQ(Scan().fromCache, 1u);
    EXPECT_EQ(demoList.rows[1][FieldMap], "odd" + S + "map\r\nx");
}

TEST_F(ScanDemosTest, ADemoThatVanishesWhileListedIsSkipped)
{
    Put("a.dm3", Demo("q3dm1"));
    Put("b.dm3", Demo("q3dm2"));
    Put("c.zip", testsupport::BuildZip({{.name = "c.dm3", .data = Demo("q3dm3")}}));
    demoList = RecordingList{};
    feedback.onParsing = [&](const std::string& path) {
        if (path.ends_with("b.dm3") || path.ends_with("c.zip\\c.dm3"))
            std::filesystem::remove(path.substr(0, path.find('\\')));
    };
    ScanSettings settings;
    settings.threads = 1; // so that nothing is read before the listing thread gets to it
    ScanTotals totals;
    ScanDemos(FolderScanArgument(folder.str()), demoList, playList, feedback, settings, &totals);
    EXPECT_EQ(demoList.Column(FieldDemoname), std::vector<std::string>{"a.dm3"});
    EXPECT_EQ(totals.bytes, Demo("q3dm1").size());
    EXPECT_EQ(SplitTextLines(Cache()).size(), 1u);
}

TEST_F(ScanDemosTest, TheSameDemoTwiceInAnArchiveGivesTwoRowsAndOneLine)
{
    const std::vector<uint8_t> same = Demo("q3dm1");
    Put("twice.zip", testsupport::BuildZip({{.name = "a.dm3", .data = same}, {.name = "a.dm3", .data = same}}));
    Scan();
    EXPECT_EQ(demoList.rows.size(), 2u);
    EXPECT_EQ(SplitTextLines(Cache()).size(), 1u);
    EXPECT_EQ(Scan().fromCache, 2u);
}

TEST_F(ScanDemosTest, MembersOfTheSameNameAreEachReadFromTheirOwnPlace)
{
    Put("twins.pk3", testsupport::BuildZip({{.name = "a.dm3", .data = Demo("q3dm1")},
                                            {.name = "a.dm3", .data = Demo("q3dm2", 121000), .deflate = true}}));
    Scan();
    ASSERT_EQ(demoList.rows.size(), 2u);
    EXPECT_EQ(demoList.Column(FieldMap), (std::vector<std::string>{"q3dm1", "q3dm2"}));
}

TEST_F(ScanDemosTest, ParallelReadingMatchesReadingOneByOne)
{
    for (int i = 0; i < 12; ++i)
        Put("d" + std::to_string(i) + ".dm_48", Demo("map" + std::to_string(i), 1000u + 7000u * i));
    std::vector<testsupport::ZipMember> members;
    for (int i = 0; i < 9; ++i)
        members.push_back({.name = "demos/z" + std::to_string(i) + ".dm3",
                           .data = Demo("zip" + std::to_string(i)),
                           .deflate = i % 2 == 0});
    Put("pack.pk3", testsupport::BuildZip(members));
    Put("d3.dm_48", {1, 2, 3}); // not a demo inside: still a row, of "N/A"s

    std::vector<DemoInfo> oneByOneRows;
    std::string oneByOneCache;
    ScanTotals oneByOne;
    for (unsigned threads : {1u, 2u, 8u}) {
        std::filesystem::remove(folder.path() / "vmr_scan");
        ScanTotals totals = Scan(threads);
        if (threads == 1) {
            oneByOneRows = demoList.rows;
            oneByOneCache = Cache();
            oneByOne = totals;
            continue;
        }
        EXPECT_EQ(demoList.rows, oneByOneRows) << threads;
        EXPECT_EQ(Cache(), oneByOneCache) << threads;
        EXPECT_EQ(totals.rows, oneByOne.rows);
        EXPECT_EQ(totals.bytes, oneByOne.bytes);
        EXPECT_EQ(totals.playSeconds, oneByOne.playSeconds);
    }
    EXPECT_EQ(oneByOne.rows, 21u);
}

TEST(ScanSummaryText, FormatsTotals)
{
    ScanTotals totals;
    totals.rows = 4;
    totals.fromCache = 1;
    totals.bytes = 1572864;
    totals.playSeconds = 3725;
    totals.elapsedMs = 1500;
    EXPECT_EQ(ScanSummary(totals), "4 item(s) loaded in 1.50 sec. 25.00% read from cache. 1.50 MB. Playtime: 01:02:05");
    totals.bytes = 5ull << 30;
    EXPECT_NE(ScanSummary(totals).find(" 5120.00 MB."), std::string::npos) << "no 32-bit wrap-around";
    totals.bytes = 1572864;
    totals.aborted = true;
    EXPECT_EQ(ScanSummary(totals),
              "Listing aborted: 4 item(s) loaded in 1.50 sec. 25.00% read from cache. 1.50 MB. Playtime: 01:02:05");
}

} // namespace

TEST_F(ScanDemosTest, DemosReadOnlyInPartAreListedQuietlyAndNotCached)
{
    std::vector<uint8_t> cut = Demo("Q3DM6");
    cut.resize(cut.size() - 6); // inside the end marker's header
    Put("a-cut.dm_48", cut);
    Put("b-good.dm_48", Demo("q3dm1"));
    const struct {
        const char* name;
        uint16_t method;
        uint16_t flags;
    } refused[] = {{"deflate64.dm_48", 9, 0}, {"bzip2.dm_48", 12, 0}, {"lzma.dm_48", 14, 0}, {"locked.dm_48", 8, 1}};
    std::vector<testsupport::ZipMember> members;
    for (const auto& r : refused)
        members.push_back({.name = r.name,
                           .data = Demo("q3dm2"),
                           .deflate = true,
                           .methodOverride = r.method,
                           .extraFlags = r.flags});
    members.push_back({.name = "readable.dm_48", .data = Demo("q3dm3"), .deflate = true});
    Put("c.zip", testsupport::BuildZip(members));

    for (unsigned threads : {1u, 2u}) {
        const ScanTotals totals = Scan(threads);
        ASSERT_EQ(demoList.rows.size(), 7u);
        EXPECT_EQ(demoList.rows[0][FieldMap], "q3dm6"); // what came before the cut is kept
        EXPECT_EQ(demoList.rows[0][FieldPlaytime], "00:01:00");
        EXPECT_EQ(totals.notFullyRead, 5u);
        EXPECT_TRUE(feedback.summary.ends_with(" 5 demo(s) not fully read, first a-cut.dm_48: Demo cut off after " +
                                               std::to_string(cut.size()) + " bytes: packet 4 at byte " +
                                               std::to_string(cut.size() - 2) + " is incomplete."))
            << feedback.summary;
        const std::vector<std::string> lines = SplitTextLines(Cache());
        ASSERT_EQ(lines.size(), 2u) << Cache();
        EXPECT_TRUE(lines[0].starts_with("b-good.dm_48" + S));
        EXPECT_TRUE(lines[1].starts_with("readable.dm_48" + S));
    }
    EXPECT_EQ(Scan().fromCache, 2u); // the others are read again every time
}

namespace {

// A folder that cannot take its own cache file keeps it in the user's cache folder: the second
// listing reads every demo from there, and the folder stays untouched.
TEST(UserScanCache, FolderThatCannotTakeItsCacheUsesTheUserCacheFolder)
{
    struct Case {
        const char* what;
        std::function<void(const std::filesystem::path&)> block, unblock;
    };
    const Case cases[] = {
        {"read-only folder",
         [](const std::filesystem::path& f) {
             std::filesystem::permissions(f, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
         },
         [](const std::filesystem::path& f) { std::filesystem::permissions(f, std::filesystem::perms::owner_all); }},
        // Root may write anywhere; a folder in the way of the file fails for everyone.
        {"cache name taken by a folder",
         [](const std::filesystem::path& f) { WriteText(f / "vmr_scan" / "keep", "x"); },
         [](const std::filesystem::path&) {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::ScratchDir folder, cacheHome;
        testsupport::WriteFile(folder.path() / "a.dm3", Demo("q3dm1"));
        testsupport::WriteFile(folder.path() / "b.dm3", Demo("q3dm2"));
        c.block(folder.path());
        if (std::string(c.what) == "read-only folder" && ::access(folder.str().c_str(), W_OK) == 0) {
            c.unblock(folder.path());
            continue; // root writes into read-only folders: nothing to see here
        }
        ScanSettings settings;
        settings.colours = kColours;
        settings.userCacheDirectory = cacheHome.path() / "velmora";
        const std::filesystem::path userCache = UserCacheFileFor(settings.userCacheDirectory, folder.str());
        const auto scan = [&] {
            RecordingList demoList, playList;
            RecordingFeedback feedback;
            ScanTotals totals;
            ScanDemos(FolderScanArgument(folder.str()), demoList, playList, feedback, settings, &totals);
            EXPECT_EQ(demoList.rows.size(), 2u);
            return totals;
        };
        EXPECT_EQ(scan().fromCache, 0u);
        EXPECT_TRUE(std::filesystem::is_regular_file(userCache));
        EXPECT_EQ(SplitTextLines(ReadText(userCache)).size(), 2u);
        EXPECT_FALSE(std::filesystem::is_regular_file(folder.path() / "vmr_scan"));
        EXPECT_EQ(scan().fromCache, 2u) << "the second listing reads from the user's cache";

        // A changed demo is read again and its line replaced; a folder emptied of demos loses
        // its cache.
        c.unblock(folder.path());
        testsupport::WriteFile(folder.path() / "b.dm3", Demo("q3dm2 (long)"));
        c.block(folder.path());
        EXPECT_EQ(scan().fromCache, 1u);
        EXPECT_EQ(scan().fromCache, 2u);
        c.unblock(folder.path());
        EXPECT_FALSE(std::filesystem::is_regular_file(folder.path() / "vmr_scan"));
        RemoveScanCaches(folder.str(), settings);
        EXPECT_FALSE(std::filesystem::exists(userCache));
    }
}

TEST(UserScanCache, NamedByFolderAndKeptInTheXdgCacheFolder)
{
    const std::filesystem::path dir = "/c/velmora";
    const auto a = UserCacheFileFor(dir, "/media/cd/demos");
    const auto b = UserCacheFileFor(dir, "/media/usb/demos");
    EXPECT_EQ(a.parent_path(), dir);
    EXPECT_TRUE(a.filename().string().starts_with("demos-")) << a;
    EXPECT_TRUE(a.filename().string().ends_with(".vmr_scan")) << a;
    EXPECT_NE(a, b) << "folders of the same name stay apart";
    EXPECT_EQ(a, UserCacheFileFor(dir, "/media/cd/demos")) << "the same folder finds its cache again";
    EXPECT_EQ(UserCacheFileFor(dir, "/").parent_path(), dir);
    EXPECT_LE(UserCacheFileFor(dir, "/x/" + std::string(300, 'n')).filename().string().size(), 255u);

    struct Case {
        std::string xdg, home, expected;
    };
    const Case cases[] = {
        {"/xdg/cache", "/home/me", "/xdg/cache/velmora"},
        {"", "/home/me", "/home/me/.cache/velmora"},
        {"relative", "/home/me", "/home/me/.cache/velmora"}, // invalid by the XDG rules
        {"", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UserCacheDirectory(c.xdg, c.home).string(), c.expected) << c.xdg << " " << c.home;
}

} // namespace
