#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstdio>
#include <set>
#include <sstream>

#include "core/index/IndexUpdater.h"
#include "core/index/LibraryIndex.h"
#include "core/library/FolderTree.h"
#include "core/settings/FolderTreeFile.h"
#include "support/CliRunner.h"
#include "support/DefragDemo.h"
#include "support/DemoBuilder.h"
#include "support/SearchCases.h"
#include "support/ZipBuilder.h"

namespace fs = std::filesystem;
using clitest::Quote;
using clitest::Result;
using clitest::RunCli;

namespace {

std::vector<uint8_t> Demo(const std::string& map, const std::vector<std::string>& players)
{
    std::vector<std::pair<int, std::string>> strings{{0, testsupport::ServerInfo(48, map, "1")}, {1, "\\sv_pure\\1"}};
    for (size_t i = 0; i < players.size(); ++i)
        strings.emplace_back(544 + static_cast<int>(i), testsupport::UserInfo(players[i], 0));
    testsupport::DemoBuilder demo(48);
    demo.Add(testsupport::Message(48).GameState(strings));
    demo.Add(testsupport::Message(48).Snapshot(1000)).Add(testsupport::Message(48).Snapshot(31000)).End();
    return demo.Bytes();
}

// The "Demoname" column of a table printed by the command line, in order.
std::vector<std::string> NamesOf(const std::string& table)
{
    std::vector<std::string> names;
    std::istringstream lines(table);
    std::string line;
    std::getline(lines, line); // the header
    while (std::getline(lines, line))
        names.push_back(line.substr(0, line.find('\t')));
    return names;
}

class CliIndex : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("velmora-cli-index-" + std::to_string(getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "library" / "2019" / "cup");
        fs::create_directories(m_dir / "other");
        fs::create_directories(m_dir / "data" / "Demos");
        testsupport::WriteBytes((m_dir / "library" / "2019" / "final.dm_48").string(),
                                Demo("q3dm6", {"^1cK^7-Fatal1ty", "Zero4"}));
        testsupport::WriteBytes((m_dir / "library" / "2019" / "cup" / "semi.dm_48").string(),
                                Demo("q3dm17", {"Fatal1ty", "toxjq"}));
        testsupport::WriteFile(
            m_dir / "library" / "packs.pk3",
            testsupport::BuildZip({{.name = "demos/inpack.dm_48", .data = Demo("q3dm6", {"fatal1ty"})},
                                   {.name = "demos/nope.dm_48", .data = Demo("q3dm6", {"Visor"})}}));
        testsupport::WriteBytes((m_dir / "other" / "elsewhere.dm_48").string(), Demo("q3dm6", {"Fatal1ty"}));
        std::ofstream(m_dir / "data" / "Demos" / "final.dm_48.description", std::ios::binary)
            << "\x01\r\n9\r\n\x01\r\ngrand final\r\n";
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Data() const { return "--data-dir " + Quote(m_dir / "data"); }

    fs::path m_dir;
};

TEST_F(CliIndex, IndexesFoldersWithTheirSubfoldersAndFindsAPlayerEverywhere)
{
    const Result first = RunCli("index " + Data() + " " + Quote(m_dir / "library"));
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, "3 folder(s), 3 changed, 4 demo(s) read, 0 removed, 1 user data file(s) changed; "
                         "4 demo(s) in the index\n");
    const Result again = RunCli("index " + Data() + " " + Quote(m_dir / "library"));
    EXPECT_EQ(again.out, "3 folder(s), 0 changed, 0 demo(s) read, 0 removed, 0 user data file(s) changed; "
                         "4 demo(s) in the index\n");

    const Result found = RunCli("search " + Data() + " player:fatal1ty");
    ASSERT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(NamesOf(found.out), (std::vector<std::string>{"final.dm_48", "inpack.dm_48", "semi.dm_48"}));
    EXPECT_EQ(found.err, "3 demo(s) found\n");

    // The same rows as the index gives the program.
    core::LibraryIndex index;
    ASSERT_EQ(index.Open(m_dir / "data" / std::string(core::kLibraryIndexName)), core::IndexStatus::Ok);
    const core::SearchResult direct = index.Search(core::ParseSearchQuery("player:fatal1ty"));
    std::string table;
    for (const core::DemoInfo& row : direct.rows) {
        for (int i = 0; i < core::DemoFieldCount; ++i)
            table += (i ? "\t" : "") + row[i];
        table += "\n";
    }
    EXPECT_EQ(found.out.substr(found.out.find('\n') + 1), table);

    const Result combined = RunCli("search " + Data() + " player:fatal1ty map:q3dm6 rating\\>=8");
    EXPECT_EQ(NamesOf(combined.out), std::vector<std::string>{"final.dm_48"});
}

TEST_F(CliIndex, DefragRunsAreIndexedAndAnsweredByTheirFacets)
{
    const fs::path runs = m_dir / "runs";
    const auto run = [](const std::string& time, const std::string& map) {
        return testsupport::DefragDemo("defrag", "0", {"Time performed by ^1Bob^7 : ^3" + time + "^7"}, map);
    };
    testsupport::WriteFile(runs / "a.dm_68", run("29:999", "st1"));
    testsupport::WriteFile(runs / "b.dm_68", run("30:000", "st1"));
    testsupport::WriteFile(runs / "c.dm_68", run("1:01:000", "st2"));
    ASSERT_EQ(RunCli("index " + Data() + " " + Quote(runs)).status, 0);
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"'dftime<30'", {"a.dm_68"}},
        {"'dftime>=30'", {"b.dm_68", "c.dm_68"}},
        {"df:best", {"a.dm_68", "c.dm_68"}},
        {"df:cpm", {}},
    };
    for (const auto& [query, names] : cases) {
        const Result found = RunCli("search " + Data() + " " + query);
        ASSERT_EQ(found.status, 0) << found.err;
        EXPECT_EQ(NamesOf(found.out), names) << query;
    }
    const Result json = RunCli("search --json " + Data() + " df:best map:st2");
    EXPECT_NE(json.out.find("\"Run time\": \"1:01.000\""), std::string::npos) << json.out;
}

TEST_F(CliIndex, JsonRowsCarryTheColumnsAndThePlayers)
{
    ASSERT_EQ(RunCli("index " + Data() + " " + Quote(m_dir / "library")).status, 0);
    const Result json = RunCli("search --json " + Data() + " inpack");
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_NE(json.out.find("\"Demoname\": \"inpack.dm_48\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"Archive Location\": \"demos\""), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"Players\": [{\"name\": \"fatal1ty\", \"team\": 0, \"score\": 0}]"), std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"count\": 1"), std::string::npos) << json.out;
}

TEST_F(CliIndex, WithoutFoldersTheTreeIsIndexedAndWhatLeftItGoes)
{
    ASSERT_EQ(RunCli("index " + Data() + " " + Quote(m_dir / "other")).status, 0);
    core::FolderTree tree;
    core::FolderNode& root = tree.AddRoot((m_dir / "library").string(), 0);
    tree.AddChild(root, "2019", 0);
    ASSERT_TRUE(core::SaveFolderTree(tree, m_dir / "data" / "Folders"));

    const Result index = RunCli("index " + Data());
    ASSERT_EQ(index.status, 0) << index.err;
    EXPECT_EQ(index.out, "2 folder(s), 2 changed, 3 demo(s) read, 1 removed, 0 user data file(s) changed; "
                         "3 demo(s) in the index\n");
    // "cup" is not in the tree.
    EXPECT_EQ(NamesOf(RunCli("search " + Data() + " fatal").out),
              (std::vector<std::string>{"final.dm_48", "inpack.dm_48"}));
}

TEST_F(CliIndex, RebuildAndRefusals)
{
    struct Case {
        std::string arguments;
        int status;
        std::string err;
    };
    const std::vector<Case> before{
        {"search " + Data() + " fatal", 1, "velmora-cli: no library index yet; make one with: velmora-cli index\n"},
        {"index " + Data() + " " + Quote(m_dir / "missing"), 1,
         "velmora-cli: not a folder: " + (m_dir / "missing").string() + "\n"},
        {"index --fast " + Data(), 2, "usage: velmora-cli index [--rebuild] [--data-dir DIR] [FOLDER...]\n"},
        {"search " + Data(), 2, "usage: velmora-cli search [--json] [--data-dir DIR] QUERY\n"},
    };
    for (const Case& c : before) {
        const Result result = RunCli(c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments;
        EXPECT_EQ(result.err, c.err) << c.arguments;
    }
    ASSERT_EQ(RunCli("index " + Data() + " " + Quote(m_dir / "library")).status, 0);
    const Result bad = RunCli("search " + Data() + " after:2019-13-01");
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err, "velmora-cli: after:2019-13-01: dates are written YYYY-MM-DD\n");
    const Result rebuilt = RunCli("index --rebuild " + Data() + " " + Quote(m_dir / "library"));
    EXPECT_EQ(rebuilt.out, "3 folder(s), 3 changed, 4 demo(s) read, 0 removed, 1 user data file(s) changed; "
                           "4 demo(s) in the index\n");

    // Tables of another version of the program: emptied in place, and said so.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open((m_dir / "data" / std::string(core::kLibraryIndexName)).c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "UPDATE meta SET value = '2' WHERE key = 'schema'", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(other);
    const Result emptied = RunCli("search " + Data() + " fatal");
    EXPECT_EQ(emptied.status, 1);
    EXPECT_EQ(emptied.err, std::string(core::kIndexEmptiedMessage) + " Fill it again with: velmora-cli index\n");
    EXPECT_EQ(RunCli("search " + Data() + " fatal").err, "0 demo(s) found\n");

    std::ofstream(m_dir / "data" / std::string(core::kLibraryIndexName), std::ios::binary | std::ios::trunc)
        << std::string(4096, 'x');
    const Result damaged = RunCli("search " + Data() + " fatal");
    EXPECT_EQ(damaged.status, 1);
    EXPECT_EQ(damaged.err, std::string(core::kIndexRebuiltMessage) + " Fill it again with: velmora-cli index\n");
    EXPECT_EQ(RunCli("index " + Data() + " " + Quote(m_dir / "library")).out,
              "3 folder(s), 3 changed, 4 demo(s) read, 0 removed, 1 user data file(s) changed; "
              "4 demo(s) in the index\n");
}

TEST_F(CliIndex, FindsWordsOfEveryScriptWithCaseFoldedAsTheWindowDoes)
{
    searchcases::WriteLibrary(m_dir / "unicode", m_dir / "data" / "Demos");
    ASSERT_EQ(RunCli("index " + Data() + " " + Quote(m_dir / "unicode")).status, 0);
    for (const searchcases::Case& c : searchcases::Cases()) {
        // One argument, as a shell passes a quoted query; its bytes are UTF-8.
        std::string quoted = "'";
        for (const char ch : c.query)
            quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
        const Result found = RunCli("search " + Data() + " " + quoted + "'");
        ASSERT_EQ(found.status, 0) << c.query << ": " << found.err;
        const std::vector<std::string> names = NamesOf(found.out);
        EXPECT_EQ(std::set<std::string>(names.begin(), names.end()),
                  std::set<std::string>(c.found.begin(), c.found.end()))
            << c.query;
    }
    std::string terms;
    for (int i = 0; i < 101; ++i)
        terms += " map:m" + std::to_string(i);
    const Result tooLong = RunCli("search " + Data() + terms);
    EXPECT_EQ(tooLong.status, 2);
    EXPECT_EQ(tooLong.err, "velmora-cli: The search is too long: it has 101 different terms, at most 100 can be "
                           "searched at once.\n");
}

// Other programs read the index while one writes it: velmora-cli searches in two processes while
// this one updates as the window does (a connection held for searches, one per update). None of
// them sees an error or misses a demo that never changed, and files are never swapped under a
// connection: what one writes, all see.
TEST_F(CliIndex, ReadersInOtherProcessesNeverSeeAnErrorOrALoss)
{
    const fs::path steady = m_dir / "library" / "steady", churn = m_dir / "library" / "churn";
    fs::create_directories(steady);
    fs::create_directories(churn);
    for (int i = 0; i < 30; ++i)
        testsupport::WriteBytes((steady / ("s" + std::to_string(i) + ".dm_48")).string(), Demo("q3dm6", {"Steady"}));
    const std::vector<std::string> folders{steady.string(), churn.string()};
    const fs::path database = m_dir / "data" / std::string(core::kLibraryIndexName);
    core::IndexUpdateOptions options;
    options.demoDataDirectory = m_dir / "data" / "Demos";
    const auto update = [&] {
        core::LibraryIndex writer;
        EXPECT_EQ(writer.Open(database), core::IndexStatus::Ok);
        const core::IndexUpdateResult result = core::UpdateLibraryIndex(writer, folders, options);
        EXPECT_EQ(result.status, core::IndexStatus::Ok) << result.message;
    };
    update();
    core::LibraryIndex held; // the window's connection for its searches
    ASSERT_EQ(held.Open(database), core::IndexStatus::Ok);

    const fs::path stopFile = m_dir / "stop", failures = m_dir / "failures";
    const auto loop = [&](const fs::path& runs) {
        return "while [ ! -e " + Quote(stopFile) + " ]; do out=$(LC_ALL=C " + std::string(VELMORA_CLI_PATH) +
               " search " + Data() + " player:steady 2>&1 >/dev/null); [ \"$out\" = '30 demo(s) found' ] || echo " +
               "\"$out\" >> " + Quote(failures) + "; echo >> " + Quote(runs) + "; done";
    };
    const auto runsOf = [&](int reader) {
        std::error_code missing;
        const auto size = fs::file_size(m_dir / ("runs" + std::to_string(reader)), missing);
        return missing ? 0 : static_cast<int>(size);
    };
    FILE* readers[2];
    for (int r = 0; r < 2; ++r)
        readers[r] = popen(loop(m_dir / ("runs" + std::to_string(r))).c_str(), "r");
    int round = 0;
    // Until each reader searched 20 times while the index was being written.
    for (; round < 200 && (round < 5 || runsOf(0) < 20 || runsOf(1) < 20); ++round) {
        for (int i = 0; i < 4; ++i)
            testsupport::WriteBytes((churn / ("c" + std::to_string(round * 4 + i) + ".dm_48")).string(),
                                    Demo("q3dm17", {"Churn"}));
        update();
        for (int i = 0; i < 3; ++i)
            fs::remove(churn / ("c" + std::to_string(round * 4 + i) + ".dm_48"));
        std::ofstream(m_dir / "data" / "Demos" / "s1.dm_48.description", std::ios::binary)
            << "\x01\r\n"
            << round << "\r\n\x01\r\nround " << round << "\r\n";
        update();
        const std::optional<size_t> count = held.DemoCount();
        EXPECT_EQ(count, std::optional<size_t>(30 + (round + 1))) << held.LastError();
        EXPECT_EQ(held.Search(core::ParseSearchQuery("player:steady")).rows.size(), 30u);
    }
    std::ofstream{stopFile};
    for (FILE* reader : readers)
        pclose(reader);
    EXPECT_GE(std::min(runsOf(0), runsOf(1)), 20) << round << " rounds";
    std::ifstream seen(failures);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(seen), {}), "");

    // Built anew by another program while this one holds the file: both go on with the same file.
    ASSERT_EQ(RunCli("index --rebuild " + Data() + " " + Quote(steady) + " " + Quote(churn)).status, 0);
    testsupport::WriteBytes((churn / "late.dm_48").string(), Demo("q3dm17", {"Late"}));
    EXPECT_EQ(core::UpdateLibraryIndex(held, folders, options).status, core::IndexStatus::Ok);
    EXPECT_EQ(NamesOf(RunCli("search " + Data() + " player:late").out), std::vector<std::string>{"late.dm_48"});
    EXPECT_EQ(held.DemoCount(), std::optional<size_t>(30 + round + 1));
}

} // namespace
