// The checks "Play current Playlist" makes before anything is played: the size question, the
// protocol classes, the mods, and a list of which nothing could be prepared.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/playback/PlayScript.h"
#include "support/PlayTestSupport.h"

namespace {

using librarytest::WriteText;

class PlayListChecksTest : public playtest::PlaybackTest {
protected:
    core::DemoInfo Demo(const std::string& name, const std::string& protocol, const std::string& mod = "baseq3")
    {
        WriteText(Dir() / "elsewhere" / name, name);
        core::DemoInfo row;
        row[core::FieldDemoname] = name;
        row[core::FieldLocation] = (Dir() / "elsewhere").string();
        row[core::FieldProtocol] = protocol;
        row[core::FieldMod] = mod;
        return row;
    }
    bool Played() const { return std::filesystem::exists(BaseDir() / "vmrtmp.vmr"); }
};

TEST_F(PlayListChecksTest, ThirtyEntriesOrMoreAskFirst)
{
    struct Case {
        size_t entries;
        bool answer;
        bool asked, played;
    };
    for (const Case c : {Case{29, false, false, true}, Case{30, false, true, false}, Case{30, true, true, true}}) {
        std::filesystem::remove(BaseDir() / "vmrtmp.vmr");
        const std::vector<core::DemoInfo> rows(c.entries, Demo("a.dm_68", "68"));
        // As the window does it: the question comes back as the result, asked, the list is started again.
        core::PlayResult started = core::CreatePlaylist(rows, Play(), m_notices);
        const bool asked = !started && started.code() == core::PlayError::NeedsConfirmation;
        if (asked) {
            EXPECT_FALSE(Played()) << "nothing is written before the answer";
            EXPECT_EQ(started.text(), "Perhaps there are too many items in playlist. Less than 30 items in playlist "
                                      "should be save.\r\nTry to play the list nevertheless ?");
            if (c.answer)
                started = core::CreatePlaylist(rows, Play(), m_notices, true);
        }
        EXPECT_EQ(asked, c.asked) << c.entries;
        EXPECT_EQ(started.ok(), c.played) << c.entries;
        EXPECT_EQ(Played(), c.played) << c.entries;
        EXPECT_EQ(core::PlayErrorTitle(core::PlayError::NeedsConfirmation),
                  std::string("Q3A Limitation Warning: Cbuf_InsertText overflowed"));
        EXPECT_TRUE(m_notices.empty() && m_messages.shown.empty()) << c.entries;
        core::CloseGame(Play());
    }
}

TEST_F(PlayListChecksTest, ProtocolClassesCannotBeMixed)
{
    struct Case {
        std::vector<std::string> protocols;
        bool played;
    };
    const Case cases[] = {
        {{"43", "45", "46"}, true}, {{"46", "48"}, false},      {{"48", "48"}, true},
        {{"48", "68"}, false},      {{"66", "68", "71"}, true}, {{"71", "45"}, false},
    };
    // The classes alone: the program is said to play every protocol of the cases.
    m_record.game_protocols = "43 45 46 48 66 68 71";
    for (const Case& c : cases) {
        std::vector<core::DemoInfo> rows;
        for (size_t i = 0; i < c.protocols.size(); ++i)
            rows.push_back(Demo("d" + std::to_string(i) + ".dm_" + c.protocols[i], c.protocols[i]));
        EXPECT_EQ(Shown(core::CreatePlaylist(rows, Play(), m_notices)), c.played)
            << c.protocols[0] << " " << c.protocols[1];
        core::CloseGame(Play());
        core::CleanTempFiles(Play());
    }
}

TEST_F(PlayListChecksTest, MismatchIsReportedAndEarlierCopiesRemoved)
{
    m_record.game_protocols = "43 45 48";
    const bool played = Shown(core::CreatePlaylist(
        {Demo("old.dm3", "45"), Demo("older.dm3", "43"), Demo("new.dm_48", "48")}, Play(), m_notices));
    EXPECT_FALSE(played);
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "Demo \"old.dm3\" has protocol version 45\r\n"
                                        "Demo \"new.dm_48\" has protocol version 48\r\n"
                                        "Playlist can not be played!");
    EXPECT_EQ(m_messages.shown[0].title, "Protocol Version Mismatch in Playlist");
    EXPECT_FALSE(std::filesystem::exists(DemoDir() / "vmrtmp00.dm3"));
    EXPECT_FALSE(std::filesystem::exists(DemoDir() / "vmrtmp01.dm3"));
    EXPECT_FALSE(Played());
    EXPECT_FALSE(core::IsGameRunning(Play()));
}

TEST_F(PlayListChecksTest, ModsCannotBeMixedWhilePlayingModDemos)
{
    WriteText(GameDir() / "osp" / "osp.pk3", "pack");
    core::DiscoverMods(m_record.q3a_dir, m_record.base_folder);
    const std::vector<core::DemoInfo> rows = {Demo("base.dm_68", "68"), Demo("osp.dm_68", "68", "osp")};

    m_record.mod_demos = true;
    EXPECT_FALSE(Shown(core::CreatePlaylist(rows, Play(), m_notices)));
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "Demo \"base.dm_68\" is from MOD 'baseq3'\r\n"
                                        "Demo \"osp.dm_68\" is from MOD 'osp'\r\n"
                                        "Playlist can not be played!\r\n\r\n"
                                        "Try do uncheck \"Options/Play Demos as Mod Demos\".");
    EXPECT_EQ(m_messages.shown[0].title, "MOD Mismatch in Playlist");

    m_record.mod_demos = false;
    EXPECT_TRUE(Shown(core::CreatePlaylist(rows, Play(), m_notices)));
}

TEST_F(PlayListChecksTest, NothingPreparedStartsNoGame)
{
    core::DemoInfo unreadable = Demo("broken.dm_68", "68", "N/A");
    core::DemoInfo gone = Demo("gone.dm_68", "68");
    std::filesystem::remove(Dir() / "elsewhere" / "gone.dm_68");

    EXPECT_FALSE(Shown(core::CreatePlaylist({unreadable, gone}, Play(), m_notices)));
    EXPECT_FALSE(Played());
    EXPECT_FALSE(core::IsGameRunning(Play()));
    ASSERT_EQ(m_messages.shown.size(), 2u);
    EXPECT_EQ(m_messages.shown[0].title, "File Copy ERROR");
    EXPECT_EQ(m_messages.shown[1].kind, "information");
}

} // namespace
