// The play script byte for byte against files written by hand from the tables of speed states,
// titles and key bindings; the files are in tests/data/playback ("@DIR@" stands for the scratch
// folder, byte 1 is stored as itself).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/playback/GameLaunch.h"
#include "core/playback/PlayScript.h"
#include "support/PlayTestSupport.h"
#include "support/ZipBuilder.h"

namespace {

using librarytest::ReadText;
using librarytest::WriteText;

std::string Expected(const std::string& name, const std::string& dir = "")
{
    // Not found through __FILE__: compiler caches and out-of-tree builds may make that path relative.
    const std::filesystem::path data = std::filesystem::path(VELMORA_TEST_DATA_DIR) / "playback";
    std::string text = ReadText(data / name);
    EXPECT_FALSE(text.empty()) << name;
    for (size_t at = text.find("@DIR@"); at != std::string::npos; at = text.find("@DIR@", at + dir.size()))
        text.replace(at, 5, dir);
    return text;
}

core::DemoInfo Row(const std::string& name, const std::string& location, const std::string& protocol = "48",
                   const std::string& archiveLocation = "")
{
    core::DemoInfo row;
    row[core::FieldDemoname] = name;
    row[core::FieldLocation] = location;
    row[core::FieldProtocol] = protocol;
    row[core::FieldArchiveLocation] = archiveLocation;
    row[core::FieldMod] = "baseq3";
    return row;
}

// Beside the engine, the original game 1.27, which plays the ".dm_48" demos.
class PlayScriptTest : public playtest::PlaybackTest {
protected:
    void SetUp() override
    {
        playtest::PlaybackTest::SetUp();
        playtest::MakeProgram(GameDir() / "quake3.x86", playtest::kRecordingGame);
        WriteText(BaseDir() / "pak4.pk3", "");
    }
};

TEST_F(PlayScriptTest, PreambleIsTheFiftyFiveLinesOfTheSpeedStates)
{
    EXPECT_EQ(core::ScriptPreamble(), Expected("preamble.txt"));
}

TEST_F(PlayScriptTest, SingleDemoPlayedInPlaceByItsPathBelowTheDemoFolder)
{
    WriteText(DemoDir() / "cup" / "Final.dm_71", "demo bytes");
    ASSERT_TRUE(Shown(core::PlayDemo(Row("Final.dm_71", (DemoDir() / "cup").string(), "71"), Play(), m_notices)));

    EXPECT_EQ(Script(), Expected("preamble.txt") + Expected("single-in-place.txt"));
    EXPECT_FALSE(std::filesystem::exists(DemoDir() / "vmrtmp00.dm_71"));
    // No global parameters and no mod: the engine gets its console FIFO and legacy demo protocol,
    // then "+exec vmrtmp.vmr", in its own folder.
    ASSERT_TRUE(
        playtest::Eventually([&] { return playtest::FileHolds(GameDir() / "started.txt", GameDir().string()); }));
    EXPECT_EQ(Started(), "[+set][com_pipefile][velmora.fifo][+set][com_legacyprotocol][68][+exec][vmrtmp.vmr]\n" +
                             GameDir().string() + "\n");
}

TEST_F(PlayScriptTest, SingleDemoCopiedWithLoopTimedemoAndChangedKeys)
{
    WriteText(Dir() / "elsewhere" / "Outside Demo.dm_48", "outside bytes");
    m_record.loop_demos = true;
    m_record.time_demos = true;
    core::PlaybackKeys keys = core::DefaultPlaybackKeys();
    keys[4] = "p";
    core::ConfirmPlaybackKeys(keys, m_record);

    ASSERT_TRUE(Shown(core::PlayDemo(Row("Outside Demo.dm_48", (Dir() / "elsewhere").string()), Play(), m_notices)));

    EXPECT_EQ(Script(), Expected("preamble.txt") + Expected("single-copy-loop-timedemo-keys.txt"));
    EXPECT_EQ(ReadText(DemoDir() / "vmrtmp00.dm_48"), "outside bytes");
}

TEST_F(PlayScriptTest, ListOfTwoCopiedDemos)
{
    WriteText(Dir() / "elsewhere" / "a.dm_48", "A");
    WriteText(Dir() / "elsewhere" / "b.dm_48", "B");
    const std::string elsewhere = (Dir() / "elsewhere").string();

    ASSERT_TRUE(Shown(core::CreatePlaylist({Row("a.dm_48", elsewhere), Row("b.dm_48", elsewhere)}, Play(), m_notices)));

    EXPECT_EQ(Script(), Expected("preamble.txt") + Expected("list-two.txt", Dir().string()));
    EXPECT_EQ(ReadText(DemoDir() / "vmrtmp00.dm_48"), "A");
    EXPECT_EQ(ReadText(DemoDir() / "vmrtmp01.dm_48"), "B");
    EXPECT_TRUE(m_messages.shown.empty());
}

TEST_F(PlayScriptTest, ListWithAFailedEntryIsNumberedWithoutGapAndLoops)
{
    WriteText(Dir() / "elsewhere" / "a.dm_48", "A");
    testsupport::WriteFile(BaseDir() / "pak9.pk3",
                           testsupport::BuildZip({{.name = "demos/inpak.dm_48", .data = {'P'}}}));
    testsupport::WriteFile(Dir() / "elsewhere" / "pack.zip",
                           testsupport::BuildZip({{.name = "z.dm_48", .data = {'Z', 'Z'}, .deflate = true}}));
    m_record.loop_demos = true;
    m_record.time_demos = true;
    const std::string elsewhere = (Dir() / "elsewhere").string();

    ASSERT_TRUE(Shown(core::CreatePlaylist({Row("a.dm_48", elsewhere), Row("gone.dm_48", elsewhere),
                                            Row("inpak.dm_48", (BaseDir() / "pak9.pk3").string(), "48", "demos"),
                                            Row("z.dm_48", elsewhere + "/pack.zip")},
                                           Play(), m_notices)));

    EXPECT_EQ(Script(), Expected("preamble.txt") + Expected("list-loop-timedemo-failed-entry.txt", Dir().string()));
    // The temporary names follow the play list index, failed and in-place entries included.
    EXPECT_EQ(ReadText(DemoDir() / "vmrtmp03.dm_48"), "ZZ");
    EXPECT_FALSE(std::filesystem::exists(DemoDir() / "vmrtmp01.dm_48"));
    EXPECT_FALSE(std::filesystem::exists(DemoDir() / "vmrtmp02.dm_48"));
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "Could not copy file gone.dm_48!");
    EXPECT_EQ(m_messages.shown[0].title, "File Copy ERROR");
}

TEST_F(PlayScriptTest, OneEntryListEndsTheGameUnlessLooping)
{
    const core::PreparedEntry entry{"x.dm_68", "/d/x.dm_68", "x.dm_68"};
    const std::string once = core::PlayListScript({entry}, {false, false, "k"});
    EXPECT_NE(once.find("timedemo 0\r\nset end quit\r\nset d1 \"demo x.dm_68; set actualdemo echo Demo #^21^7 of "
                        "^21^7: ^3x.dm_68; vstr ds10; set nextdemo vstr end\"\r\nvstr d1\r\nk\r\n"),
              std::string::npos);
    const std::string looped = core::PlayListScript({entry}, {true, false, "k"});
    EXPECT_EQ(looped.find("set end quit"), std::string::npos);
    EXPECT_NE(looped.find("; vstr ds10; set nextdemo vstr d1\"\r\nvstr d1\r\n"), std::string::npos);
}

TEST_F(PlayScriptTest, NamesCannotBreakOutOfTheConsoleLine)
{
    // A member of a downloaded archive may be named to smuggle commands into the script.
    const core::PreparedEntry entry{"vmrtmp00.dm_68", "\x01/d/evil.pk3\\a\";quit;\".dm_68", "a\";quit;\".dm_68"};
    const std::string script = core::PlayListScript({entry}, {false, false, ""});
    EXPECT_NE(script.find("^3a__quit__.dm_68; vstr ds10"), std::string::npos);
    const std::string single = core::SingleDemoScript("x\r\nquit.dm_48", "", {false, false, ""});
    EXPECT_NE(single.find("demo vmrtmp00.dm_48; set actualdemo echo Playing demo: ^3x__quit.dm_48;"),
              std::string::npos);
    const std::string remark = core::PlayListScript({{"v.dm_68", "/d/line\nquit/v.dm_68", "v.dm_68"}}, {});
    EXPECT_NE(remark.find("// /d/line_quit/v.dm_68\r\n"), std::string::npos);
}

} // namespace
