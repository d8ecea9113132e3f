#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/settings/Settings.h"
#include "support/LibraryTestSupport.h"

namespace {

using core::IniFile;
using core::LoadSettings;
using core::SettingsRecord;
using Section = std::map<std::string, std::string>;

// Section -> key -> value as written; a key written twice fails the test.
std::map<std::string, Section> Parse(const std::string& text)
{
    std::map<std::string, Section> sections;
    std::istringstream in(text);
    std::string line, section;
    while (std::getline(in, line)) {
        line.pop_back(); // CR
        if (line.starts_with("["))
            section = line.substr(1, line.size() - 2);
        else if (const size_t equals = line.find('='); equals != std::string::npos) {
            EXPECT_TRUE(sections[section].emplace(line.substr(0, equals), line.substr(equals + 1)).second) << line;
        }
    }
    return sections;
}

// The key tables of the configuration file with their defaults, as the file holds them.
std::map<std::string, Section> DefaultFile()
{
    std::map<std::string, Section> file = {
        {"Global",
         {{"q3a_dir", "/games/q3"},
          {"base_folder", "baseq3"},
          {"q3a_start_param", ""},
          {"game_program", ""},
          {"game_protocols", ""},
          {"game_version", ""},
          {"ff_key", "kp_enter"},
          {"sm_key", "kp_del"},
          {"inc_key", "kp_plus"},
          {"dec_key", "kp_minus"},
          {"pause_key", "pause"},
          {"next_key", "kp_5"},
          {"no_hints", "0"},
          {"no_splash", "1"},
          {"tip_of_day", "1"},
          {"work_readonly", "1"},
          {"restore_new_version", "1"},
          {"Selected_Folder", "/games/q3"},
          {"toolbar_dockpos", "0"}}},
        {"Demos",
         {{"loop_demos", "0"},
          {"time_demos", "0"},
          {"mod_demos", "1"},
          {"play_from_seconds", "5"},
          {"clip_folder", ""},
          {"clip_before", "3"},
          {"clip_after", "3"}}},
        {"Sound",
         {{"sound_enable", "1"},
          {"play_sounds", "1"},
          {"play_musics", "1"},
          {"play_menus", "1"},
          {"vol_musics", "-2500"},
          {"vol_sounds", "-2500"},
          {"vol_menus", "-2500"}}},
        {"MainWindow", {{"left", "10"}, {"top", "20"}, {"width", "828"}, {"height", "387"}}},
        {"Virtual Folders",
         {{"width", "200"},
          {"visible", "1"},
          {"ViewStyle", "0"},
          {"AutoScroll", "1"},
          {"Color", "10813437"},
          {"DemoFolderFontColor", "0"},
          {"NonDemoFolderFontColor", "8421504"}}},
        {"Demo List", {{"width", "404"}, {"Color", "16776678"}, {"AutoActivateItems", "1"}}},
        {"Play List", {{"Width", "200"}, {"visible", "1"}, {"Color", "16770809"}, {"AutoActivateItems", "0"}}},
    };
    for (const char* list : {"Demo List", "Play List"}) {
        Section& section = file[list];
        section.insert({{"ViewStyle", "3"},
                        {"GridStyle", "0"},
                        {"FullRowSelect", "0"},
                        {"SortColumn", "0"},
                        {"SortAscending", "0"}});
    }
    // -1: fits the caption and typical values. The play list shows Demoname, Size and Recorded
    // last; the demo list shows the README's columns first: Demoname, Map, Playtime, Gametype,
    // Hostname, Protocol, Winner, Final Score, Size, Recorded, then the hidden ones in order.
    const int demoOrder[26] = {0,  4,  5,  7,  9,  13, 18, 20, 1,  2,  3,  6,  8,
                               10, 11, 12, 14, 15, 16, 17, 19, 21, 22, 23, 24, 25};
    for (int i = 0; i <= 25; ++i) {
        const bool demoShown = std::find(demoOrder, demoOrder + 10, i) != demoOrder + 10;
        file["Demo List"]["Column" + std::to_string(i) + "_Width"] = demoShown ? "-1" : "0";
        file["Demo List"]["Column" + std::to_string(i) + "_Order"] = std::to_string(demoOrder[i]);
        file["Play List"]["Column" + std::to_string(i) + "_Width"] = i < 3 ? "-1" : "0";
        file["Play List"]["Column" + std::to_string(i) + "_Order"] = std::to_string(i < 23 ? i + 3 : i - 23);
    }
    // The run time column apart, hidden at the end.
    for (const char* list : {"Demo List", "Play List"}) {
        file[list]["RunTime_Width"] = "0";
        file[list]["RunTime_Position"] = "26";
    }
    return file;
}

TEST(Settings, WithoutAFileEveryKeyHasItsDefaultAndIsWrittenOnce)
{
    SettingsRecord s = LoadSettings(IniFile(), "/games/q3");
    EXPECT_FALSE(s.Selected_Folder) << "the game directory until the tree says otherwise";
    EXPECT_FALSE(s.mainWindow.width) << "the window's own size until it is stored";
    s.Selected_Folder = s.SelectedFolder();
    s.mainWindow = {10, 20, core::kDefaultClientWidth, core::kDefaultClientHeight};
    IniFile file;
    core::SaveSettings(s, file);
    EXPECT_EQ(Parse(file.Text()), DefaultFile());
}

TEST(Settings, ValuesSurviveASaveAndALoad)
{
    SettingsRecord s = LoadSettings(IniFile(), "/games/q3");
    s.q3a_dir = "C:\\Quake III \"Arena\"";
    s.base_folder = "baseoa";
    s.q3a_start_param = "+set name \"^1me=you\"";
    s.no_splash = false;
    s.Selected_Folder = "";
    s.mainWindow = {-5, 0, 1024, 600};
    s.virtualFolders.NonDemoFolderFontColour = 0xFFFFFF;
    s.playList.visible = false;
    s.demoList.SortColumn = 20;
    s.demoList.ColumnWidth[7] = 120;
    std::swap(s.playList.ColumnOrder[0], s.playList.ColumnOrder[25]);
    s.clip_before = 10;
    s.clip_after = 0;

    IniFile file;
    core::SaveSettings(s, file);
    IniFile again;
    core::SaveSettings(LoadSettings(IniFile(file.Text()), "/elsewhere"), again);
    EXPECT_EQ(again.Text(), file.Text());
}

TEST(Settings, DamagedValuesFallBackToTheirDefaults)
{
    const SettingsRecord s = LoadSettings(IniFile("[Global]\nbase_folder=\ntip_of_day=maybe\n"
                                                  "[Virtual Folders]\nColor=-16777211\nDemoFolderFontColor=16777216\n"
                                                  "NonDemoFolderFontColor=255\n"
                                                  "[Demo List]\nViewStyle=7\nSortColumn=27\nColumn0_Order=5\n"
                                                  "[Play List]\nwidth=250\nColumn0_Order=2\nColumn25_Order=3\n"),
                                          "/g");
    EXPECT_EQ(s.base_folder, "baseq3");
    EXPECT_TRUE(s.tip_of_day);
    EXPECT_EQ(s.virtualFolders.Colour, 10813437u) << "a Windows system colour is no RGB value";
    EXPECT_EQ(s.virtualFolders.DemoFolderFontColour, 0u);
    EXPECT_EQ(s.virtualFolders.NonDemoFolderFontColour, 255u);
    EXPECT_EQ(s.demoList.ViewStyle, 3);
    EXPECT_EQ(s.demoList.SortColumn, 0);
    EXPECT_EQ(s.demoList.ColumnOrder, core::ListViewSettings::DemoListDefaults().ColumnOrder)
        << "column 5 twice, column 3 missing";
    EXPECT_EQ(s.playList.width, 250) << "\"width\" and \"Width\" are one key";
    EXPECT_EQ(s.playList.ColumnOrder[0], 2);
    EXPECT_EQ(s.playList.ColumnOrder[25], 3);
}

TEST(Settings, SplashFollowsTheEarlyReadAndTheFirstArgument)
{
    EXPECT_FALSE(core::ReadEarlyNoSplash(IniFile()));
    EXPECT_TRUE(core::ReadEarlyNoSplash(IniFile("[global]\nNO_SPLASH=1\n")));
    EXPECT_FALSE(core::ShowSplash(true, {}));
    const std::pair<std::vector<std::string>, bool> cases[] = {
        {{}, true}, {{"-nosplash"}, false}, {{"/nosplashes"}, false}, {{"NOSPLASH"}, true}, {{"x", "nosplash"}, true},
    };
    for (const auto& [arguments, shown] : cases)
        EXPECT_EQ(core::ShowSplash(false, arguments), shown) << (arguments.empty() ? "" : arguments[0]);
}

TEST(Settings, ConfigurationFileAtStartAndExit)
{
    testsupport::ScratchDir folder;
    const auto file = folder.path() / "Velmora.cfg";
    IniFile::LoadResult result{};
    SettingsRecord s = core::ReadConfiguration(file, "/games/q3", &result);
    EXPECT_EQ(result, IniFile::LoadResult::Missing);

    librarytest::WriteText(file, "; mine\n[Global]\nq3a_dir=/old\nlocal_note=keep me\n");
    s = core::ReadConfiguration(file, "/games/q3", &result);
    EXPECT_EQ(result, IniFile::LoadResult::Loaded);
    EXPECT_EQ(s.q3a_dir, "/old");
    s.q3a_dir = "/new";
    ASSERT_TRUE(core::WriteConfiguration(s, file));
    const std::string written = librarytest::ReadText(file);
    EXPECT_TRUE(written.starts_with("; mine\r\n[Global]\r\nq3a_dir=/new\r\nlocal_note=keep me\r\n")) << written;

    // A start that found no game writes nothing, so the user's settings survive it.
    s.q3a_dir = core::kGameDirectoryError;
    ASSERT_TRUE(core::WriteConfiguration(s, file));
    EXPECT_EQ(librarytest::ReadText(file), written);
    EXPECT_FALSE(core::WriteConfiguration(SettingsRecord{}, folder.path())) << "a folder cannot be read";
}

} // namespace
