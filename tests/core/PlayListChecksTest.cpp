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
        m_messages.shown.clear();
        m_messages.answer = c.answer;
        std::filesystem::remove(BaseDir() / "vmrtmp.vmr");
        const std::vector<core::DemoInfo> rows(c.entries, Demo("a.dm_68", "68"));
        EXPECT_EQ(core::CreatePlaylist(rows, Play()), c.played) << c.entries;
        EXPECT_EQ(Played(), c.played) << c.entries;
        EXPECT_EQ(!m_messages.shown.empty() && m_messages.shown[0].kind == "question", c.asked) << c.entries;
        core::CloseGame(Play());
    }
    EXPECT_EQ(m_messages.shown[0].title, "Q3A Limitation Warning: Cbuf_InsertText overflowed");
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
        EXPECT_EQ(core::CreatePlaylist(rows, Play()), c.played) << c.protocols[0] << " " << c.protocols[1];
        core::CloseGame(Play());
        core::CleanTempFiles(Play());
    }
}

TEST_F(PlayListChecksTest, MismatchIsReportedAndEarlierCopiesRemoved)
{
    m_record.game_protocols = "43 45 48";
    const bool played =
        core::CreatePlaylist({Demo("old.dm3", "45"), Demo("older.dm3", "43"), Demo("new.dm_48", "48")}, Play());
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
    EXPECT_FALSE(core::CreatePlaylist(rows, Play()));
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, "Demo \"base.dm_68\" is from MOD 'baseq3'\r\n"
                                        "Demo \"osp.dm_68\" is from MOD 'osp'\r\n"
                                        "Playlist can not be played!\r\n\r\n"
                                        "Try do uncheck \"Options/Play Demos as Mod Demos\".");
    EXPECT_EQ(m_messages.shown[0].title, "MOD Mismatch in Playlist");

    m_record.mod_demos = false;
    EXPECT_TRUE(core::CreatePlaylist(rows, Play()));
}

TEST_F(PlayListChecksTest, NothingPreparedStartsNoGame)
{
    core::DemoInfo unreadable = Demo("broken.dm_68", "68", "N/A");
    core::DemoInfo gone = Demo("gone.dm_68", "68");
    std::filesystem::remove(Dir() / "elsewhere" / "gone.dm_68");

    EXPECT_FALSE(core::CreatePlaylist({unreadable, gone}, Play()));
    EXPECT_FALSE(Played());
    EXPECT_FALSE(core::IsGameRunning(Play()));
    ASSERT_EQ(m_messages.shown.size(), 2u);
    EXPECT_EQ(m_messages.shown[0].title, "File Copy ERROR");
    EXPECT_EQ(m_messages.shown[1].kind, "information");
}

} // namespace
