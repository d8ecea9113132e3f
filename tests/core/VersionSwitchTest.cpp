// Switching between the two game versions by renaming their files, on a game directory in a
// scratch folder; the game program is the recording shell program of the playback tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/playback/GameLaunch.h"
#include "core/playback/VersionSwitch.h"
#include "support/PlayTestSupport.h"

namespace {

using librarytest::ReadText;
using librarytest::WriteText;

class VersionSwitchTest : public playtest::PlaybackTest {
protected:
    // The 1.27 layout with the 1.17 program parked: both programs record how they were started.
    // The folder also holds an ioquake3, which is no version of the original game.
    void BothVersionsWithNewActive()
    {
        playtest::MakeProgram(GameDir() / "quake3.x86", std::string(playtest::kRecordingGame) + "# 1.27\n");
        playtest::MakeProgram(GameDir() / "oldversion", std::string(playtest::kRecordingGame) + "# 1.17\n");
        for (const char* pack : {"pak0.pk3", "pak4.pk3", "pak5.pk3"})
            WriteText(BaseDir() / pack, pack);
        core::SetGameDirectory(m_record, GameDir().string());
    }
    bool Exists(const std::filesystem::path& path) const { return std::filesystem::exists(path); }
    bool EngineUntouched() const { return ReadText(GameDir() / "ioquake3") == playtest::kRecordingGame; }
    bool OldLayout() const
    {
        return Exists(GameDir() / "newversion") && !Exists(GameDir() / "oldversion") &&
               ReadText(GameDir() / "quake3.x86").ends_with("# 1.17\n") && EngineUntouched() &&
               Exists(BaseDir() / "pak4.zip") && Exists(BaseDir() / "pak5.zip") && !Exists(BaseDir() / "pak4.pk3");
    }
    bool NewLayout() const
    {
        return Exists(GameDir() / "oldversion") && !Exists(GameDir() / "newversion") &&
               ReadText(GameDir() / "quake3.x86").ends_with("# 1.27\n") && EngineUntouched() &&
               ReadText(BaseDir() / "pak4.pk3") == "pak4.pk3";
    }
};

TEST_F(VersionSwitchTest, PlainInstallationIsNotSwitchable)
{
    for (const char* pack : {"pak0.pk3", "pak1.pk3", "pak2.pk3", "pak3.pk3", "pak4.pk3", "pak5.pk3"})
        WriteText(BaseDir() / pack, "");
    EXPECT_FALSE(core::BothVersionsInstalled(m_record.game));
    EXPECT_TRUE(core::NewVersionActive(m_record.game));
    core::SwitchVersionForProtocol("45", Play(), m_notices);
    EXPECT_TRUE(Exists(BaseDir() / "pak4.pk3"));
    EXPECT_FALSE(Exists(GameDir() / "newversion"));
    std::filesystem::remove(BaseDir() / "pak4.pk3");
    EXPECT_FALSE(core::NewVersionActive(m_record.game)); // an old game alone
}

TEST_F(VersionSwitchTest, SwitchesBothWaysAndByProtocol)
{
    BothVersionsWithNewActive();
    core::InitVersionMarks(m_record.game);
    EXPECT_TRUE(core::BothVersionsInstalled(m_record.game));
    EXPECT_TRUE(core::NewVersionMarked);

    EXPECT_TRUE(Shown(core::ChooseVersion(true, Play()))); // already marked: nothing to do
    EXPECT_TRUE(NewLayout());

    core::SwitchVersionForProtocol("46", Play(), m_notices);
    EXPECT_TRUE(OldLayout());
    EXPECT_FALSE(core::NewVersionActive(m_record.game));
    EXPECT_FALSE(core::NewVersionMarked);
    core::SwitchVersionForProtocol("45", Play(), m_notices);
    EXPECT_TRUE(OldLayout());

    EXPECT_TRUE(Shown(core::ChooseVersion(true, Play())));
    EXPECT_TRUE(core::NewVersionMarked);
    EXPECT_TRUE(NewLayout());
    EXPECT_TRUE(m_notices.empty() && m_messages.shown.empty());

    // Program end leaves the version the user asked for.
    m_record.restore_new_version = false;
    Shown(core::SwitchVersionAtExit(Play()));
    EXPECT_TRUE(OldLayout());
    m_record.restore_new_version = true;
    Shown(core::SwitchVersionAtExit(Play()));
    EXPECT_TRUE(NewLayout());
}

TEST_F(VersionSwitchTest, FailedRenameIsReportedAndNeverOverwritesAFile)
{
    BothVersionsWithNewActive();
    WriteText(BaseDir() / "pak5.zip", "a stray file"); // the last rename's target is taken

    EXPECT_FALSE(Shown(core::SwitchVersion(false, Play())));
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "Something went wrong in changing version to pre 1.27 !\r\nStudy the vmr "
                                        "readme file for problem solving issues with version changing.");
    EXPECT_EQ(m_messages.shown[0].title, "Debug");
    // The renames made so far stay; the stray file and the pack are both still there.
    EXPECT_TRUE(Exists(GameDir() / "newversion"));
    EXPECT_TRUE(Exists(BaseDir() / "pak4.zip"));
    EXPECT_EQ(ReadText(BaseDir() / "pak5.zip"), "a stray file");
    EXPECT_EQ(ReadText(BaseDir() / "pak5.pk3"), "pak5.pk3");
}

TEST_F(VersionSwitchTest, RunningGameIsClosedSwitchedAndStartedAgain)
{
    BothVersionsWithNewActive();
    m_record.q3a_start_param = "+exec mine";
    ASSERT_TRUE(Shown(core::StartGame((GameDir() / "quake3.x86").string(), "+exec first", Play())));
    ASSERT_TRUE(playtest::Eventually([&] { return playtest::FileHolds(GameDir() / "started.txt", "[first]"); }));

    ASSERT_TRUE(Shown(core::LaunchGame("45", BaseDir().string(), Play(), m_notices)));
    EXPECT_TRUE(OldLayout());
    // The old version started with the global parameters alone, then got the play script.
    ASSERT_TRUE(playtest::Eventually([&] { return Console() == "quit\nexec vmrtmp.vmr\n"; })) << Console();
    EXPECT_EQ(Started(), "[+exec][mine]\n" + GameDir().string() + "\n");
    EXPECT_TRUE(core::IsGameRunning(Play()));
}

TEST_F(VersionSwitchTest, RenamesThatNeverSucceedEndAtTheTimeLimit)
{
    BothVersionsWithNewActive();
    WriteText(GameDir() / "newversion", "in the way");
    ASSERT_TRUE(Shown(core::StartGame("", Play())));
    const auto before = std::chrono::steady_clock::now();
    EXPECT_FALSE(Shown(core::SwitchVersion(false, Play())));
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(10));
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].title, "Debug");
    EXPECT_EQ(ReadText(GameDir() / "newversion"), "in the way");
}

TEST_F(VersionSwitchTest, MenuShowsNoVersionWithoutTheOriginalGame)
{
    // An OpenArena folder: an engine and packs, no original program.
    for (const char* pack : {"pak0.pk3", "pak2-players.pk3"})
        WriteText(BaseDir() / pack, "");
    core::InitVersionMarks(m_record.game);
    EXPECT_EQ(core::CurrentVersionMark(m_record.game), core::VersionMark::None);
    WriteText(BaseDir() / "pak4.pk3", ""); // a pack of that name alone makes no 1.27
    EXPECT_EQ(core::CurrentVersionMark(m_record.game), core::VersionMark::None);

    playtest::MakeProgram(GameDir() / "quake3.x86", playtest::kRecordingGame);
    core::InitVersionMarks(m_record.game);
    EXPECT_EQ(core::CurrentVersionMark(m_record.game), core::VersionMark::New);
    std::filesystem::remove(BaseDir() / "pak4.pk3");
    core::InitVersionMarks(m_record.game);
    EXPECT_EQ(core::CurrentVersionMark(m_record.game), core::VersionMark::Old);
    WriteText(GameDir() / "quake3.exe", "MZ");
    std::filesystem::remove(GameDir() / "quake3.x86");
    EXPECT_EQ(core::CurrentVersionMark(m_record.game), core::VersionMark::Old);
}

} // namespace
