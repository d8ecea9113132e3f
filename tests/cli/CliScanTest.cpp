#include <gtest/gtest.h>

#include "support/CliRunner.h"
#include "support/DemoBuilder.h"
#include "support/ScratchDir.h"
#include "support/ZipBuilder.h"

namespace fs = std::filesystem;
using clitest::Quote;
using clitest::Result;
using clitest::RunCli;

namespace {

std::vector<uint8_t> Demo(int protocol, const std::string& map)
{
    testsupport::DemoBuilder demo(protocol);
    demo.Add(testsupport::Message(protocol).GameState({{0, testsupport::ServerInfo(protocol, map, "1")},
                                                       {1, "\\sv_pure\\1"},
                                                       {544, testsupport::UserInfo("Ann", 0)}}));
    demo.Add(testsupport::Message(protocol).Snapshot(1000)).Add(testsupport::Message(protocol).Snapshot(31000)).End();
    return demo.Bytes();
}

class CliScan : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(m_dir / "demos" / "inner");
        fs::create_directories(m_dir / "demos" / "nothing");
        fs::create_directories(m_dir / "data");
        testsupport::WriteBytes((m_dir / "demos" / "a.dm3").string(), Demo(45, "q3dm1"));
        testsupport::WriteBytes((m_dir / "demos" / "b.dm_48").string(), Demo(48, "q3dm2"));
        testsupport::WriteFile(m_dir / "demos" / "inner" / "pak9.pk3",
                               testsupport::BuildZip({{.name = "demos/c.dm_48", .data = Demo(48, "q3dm3")}}));
        std::ofstream(m_dir / "data" / "a.dm3.description", std::ios::binary) << "^1Ann\r\n7\r\n\x01\r\nfine\r\n";
    }

    Result Scan(const std::string& options, const fs::path& folder)
    {
        return RunCli("scan " + options + " --data " + Quote(m_dir / "data") + " " + Quote(folder));
    }

    const testsupport::ScratchDir m_scratch;
    const fs::path m_dir = m_scratch.path();
};

} // namespace

TEST_F(CliScan, SecondRunReadsEverythingFromTheCache)
{
    const Result first = Scan("", m_dir / "demos");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_TRUE(fs::exists(m_dir / "demos" / "vmr_scan"));
    const Result second = Scan("", m_dir / "demos");
    EXPECT_EQ(second.out, first.out);
    EXPECT_NE(first.err.find("2 item(s) loaded in "), std::string::npos) << first.err;
    EXPECT_NE(first.err.find(" 0.00% read from cache."), std::string::npos) << first.err;
    EXPECT_NE(second.err.find(" 100.00% read from cache."), std::string::npos) << second.err;

    // Header and one row per demo, 27 tab-separated columns ("Run time" last, empty here), user data from the data
    // folder.
    std::istringstream lines(first.out);
    std::string header, row;
    std::getline(lines, header);
    EXPECT_EQ(header.rfind("Demoname\tSize\tRecorded\tArchive Location\tMap\t", 0), 0u);
    std::getline(lines, row);
    EXPECT_EQ(std::count(row.begin(), row.end(), '\t'), 26);
    EXPECT_EQ(row.rfind("a.dm3\t", 0), 0u);
    EXPECT_NE(row.find("\tAnn\t7\t\tfine"), std::string::npos) << row;

    const Result uncached = Scan("--no-cache --json", m_dir / "demos" / "inner");
    EXPECT_NE(uncached.out.find("\"Archive Location\": \"demos\""), std::string::npos) << uncached.out;
    EXPECT_NE(uncached.out.find("\"Map\": \"q3dm3\""), std::string::npos);
    EXPECT_FALSE(fs::exists(m_dir / "demos" / "inner" / "vmr_scan"));
}

TEST_F(CliScan, TreeMarksDemoFolders)
{
    const Result result = RunCli("scan --tree " + Quote(m_dir / "demos"));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("* " + (m_dir / "demos").string() + "\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("  * inner\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("    nothing\n"), std::string::npos) << result.out;

    const Result missing = RunCli("scan " + Quote(m_dir / "nope"));
    EXPECT_NE(missing.status, 0);
    EXPECT_NE(missing.err.find("not a folder"), std::string::npos);
}
