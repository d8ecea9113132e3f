// Names and paths in the JSON of every command that writes it: file names are UTF-8 and go out as
// the bytes they are, a name that is no UTF-8 goes out as Latin-1 characters (valid JSON still),
// texts from inside demos are Latin-1 and converted, notes come back as the user wrote them; plain
// output has no colour codes, OSP's extended ones included.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "support/CliRunner.h"
#include "support/DemoBuilder.h"
#include "support/EventDemoModel.h"
#include "support/ZipBuilder.h"

namespace fs = std::filesystem;
using clitest::Quote;
using clitest::Result;
using clitest::RunCli;

namespace {

const std::string kFolder = "Ünïcödé-folder";
const std::string kName = "Ünïcödé.dm_48";
const std::string kMember = "dém\\Ünïcödé ïn pack.dm_48";
const std::string kPack = "pâck ñ.pk3";
const std::string kNotUtf8 = "bad\xff.dm_48";
const std::string kNotUtf8InJson = "bad\xc3\xbf.dm_48";
const std::string kDuel = "Ünïcödé duel.dm_68";
const std::string kBroken = "Ünïcödé broken.dm_48";
const std::string kNotes = "Отличная игра 素晴らしい 😀";

std::vector<uint8_t> Demo()
{
    testsupport::DemoBuilder demo(48);
    demo.Add(testsupport::Message(48).GameState({{0, testsupport::ServerInfo(48, "q3dm6", "0")},
                                                 {3, "T\xef"
                                                     "tle"},
                                                 {544, testsupport::UserInfo("^xCCCCCC^1[^7EYE^1]dsp ^7Mathiasson", 0)},
                                                 {545, testsupport::UserInfo("S\xe4rge", 0)}}));
    demo.Add(testsupport::Message(48).Snapshot(1000)).Add(testsupport::Message(48).Snapshot(31000)).End();
    return demo.Bytes();
}

class CliJsonTexts : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("velmora-cli-texts-" + std::to_string(getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(Folder());
        fs::create_directories(m_dir / "data" / "Demos");
        testsupport::WriteBytes((Folder() / kName).string(), Demo());
        testsupport::WriteBytes((Folder() / kNotUtf8).string(), Demo());
        testsupport::WriteBytes((Folder() / kDuel).string(), testsupport::EncodeDemo(testsupport::DuelModel()));
        std::vector<uint8_t> broken = Demo();
        broken.resize(broken.size() / 2);
        testsupport::WriteBytes((Folder() / kBroken).string(), broken);
        std::string member = kMember;
        std::replace(member.begin(), member.end(), '\\', '/');
        testsupport::WriteFile(Folder() / kPack, testsupport::BuildZip({{.name = member, .data = Demo()}}));
        // Notes that Latin-1 cannot hold: UTF-8 behind a byte order mark.
        std::ofstream(m_dir / "data" / "Demos" / (kName + ".description"), std::ios::binary)
            << "\xEF\xBB\xBF^1S\xc3\xa4rge\r\n5\r\nhttp://пример.рф\r\n" + kNotes + "\r\n";
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path Folder() const { return m_dir / kFolder; }

    fs::path m_dir;
};

std::string Field(const std::string& key, const std::string& value)
{
    return "\"" + key + "\": \"" + value + "\"";
}

TEST_F(CliJsonTexts, NamesAndPathsGoOutAsTheyAre)
{
    const std::string folder = Folder().string();
    const std::string dataDir = " --data " + Quote(m_dir / "data" / "Demos") + " ";
    ASSERT_EQ(RunCli("index --data-dir " + Quote(m_dir / "data") + " " + Quote(Folder())).status, 0);
    struct Case {
        std::string arguments;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"info --json " + Quote(Folder() / kName),
         {Field("file", folder + "/" + kName), Field("mapTitle", "Tïtle"), "\"name\": \"Särge\"",
          "\"name\": \"^xCCCCCC^1[^7EYE^1]dsp ^7Mathiasson\""}},
        {"info --json " + Quote(Folder() / kNotUtf8), {Field("file", folder + "/" + kNotUtf8InJson)}},
        {"info --json " + Quote(Folder() / kPack) + " " + Quote(kMember),
         {Field("file", folder + "/" + kPack), Field("member", "dém\\\\Ünïcödé ïn pack.dm_48")}},
        {"events --json " + Quote(Folder() / kDuel), {Field("file", folder + "/" + kDuel)}},
        {"scan --json --no-cache" + dataDir + Quote(Folder()),
         {Field("Demoname", kName), Field("Location", folder), Field("Demoname", kNotUtf8InJson),
          Field("Demoname", "Ünïcödé ïn pack.dm_48"), Field("Archive Location", "dém"),
          Field("Location", folder + "/" + kPack), Field("POV", "Särge"), Field("Web", "http://пример.рф"),
          Field("Description", kNotes), "first " + kBroken + ": "}},
        {"search --json --data-dir " + Quote(m_dir / "data") + " Ünïcödé",
         {Field("Demoname", kName), Field("Location", folder), Field("Demoname", "Ünïcödé ïn pack.dm_48"),
          Field("Archive Location", "dém"), Field("Location", folder + "/" + kPack), Field("POV", "Särge"),
          Field("Web", "http://пример.рф"), Field("Description", kNotes), "{\"name\": \"Särge\""}},
        {"search --json --data-dir " + Quote(m_dir / "data") + " 素晴らしい", {Field("Demoname", kName)}},
    };
    for (const Case& c : cases) {
        const Result result = RunCli(c.arguments);
        EXPECT_EQ(result.status, 0) << c.arguments << "\n" << result.err;
        for (const std::string& field : c.fields)
            EXPECT_NE(result.out.find(field), std::string::npos) << c.arguments << "\nlacks " << field << "\n"
                                                                 << result.out;
    }
}

TEST_F(CliJsonTexts, PlainOutputHasNoColourCodes)
{
    const Result text = RunCli("info --plain " + Quote(Folder() / kName));
    EXPECT_NE(text.out.find("\n  [EYE]dsp Mathiasson\t"), std::string::npos) << text.out;
    const Result json = RunCli("info --plain --json " + Quote(Folder() / kName));
    EXPECT_NE(json.out.find("\"name\": \"[EYE]dsp Mathiasson\""), std::string::npos) << json.out;
}

} // namespace
