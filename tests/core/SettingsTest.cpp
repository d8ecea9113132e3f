#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/Settings.h"

namespace {

using core::IniFile;
using core::LoadSettings;
using core::SaveSettings;
using core::SettingsRecord;

// The keys of the configuration file, written out independently of the code that reads them.
std::map<std::string, std::set<std::string>> ExpectedKeys()
{
    std::map<std::string, std::set<std::string>> keys = {
        {"Global",
         {"q3a_dir", "base_folder", "q3a_start_param", "ff_key", "sm_key", "inc_key", "dec_key", "pause_key",
          "next_key", "no_hints", "no_splash", "tip_of_day", "work_readonly", "restore_new_version", "Selected_Folder",
          "toolbar_dockpos"}},
        {"Demos", {"loop_demos", "time_demos", "mod_demos"}},
        {"Sound",
         {"sound_enable", "play_sounds", "play_musics", "play_menus", "vol_musics", "vol_sounds", "vol_menus"}},
        {"MainWindow", {"left", "top", "width", "height"}},
        {"Virtual Folders",
         {"width", "visible", "ViewStyle", "AutoScroll", "Color", "DemoFolderFontColor", "NonDemoFolderFontColor"}},
    };
    for (const char* list : {"Demo List", "Play List"}) {
        auto& section = keys[list];
        section = {"Color",      "ViewStyle",    "GridStyle", "FullRowSelect", "AutoActivateItems",
                   "SortColumn", "SortAscending"};
        section.insert(std::string(list) == "Play List" ? "Width" : "width");
        if (std::string(list) == "Play List")
            section.insert("visible");
        for (int i = 0; i <= 25; ++i) {
            section.insert("Column" + std::to_string(i) + "_Width");
            section.insert("Column" + std::to_string(i) + "_Order");
        }
    }
    return keys;
}

// Section -> keys as written, in file order.
std::map<std::string, std::vector<std::string>> KeysOf(const std::string& text)
{
    std::map<std::string, std::vector<std::string>> keys;
    std::istringstream in(text);
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.starts_with("["))
            section = line.substr(1, line.size() - 2);
        else if (const size_t equals = line.find('='); equals != std::string::npos)
            keys[section].push_back(line.substr(0, equals));
    }
    return keys;
}

TEST(Settings, NoFileGivesEveryDefault)
{
    const SettingsRecord s = LoadSettings(IniFile(), "/usr/local/games/quake3");
    EXPECT_EQ(s.q3a_dir, "/usr/local/games/quake3");
    EXPECT_EQ(s.SelectedFolder(), "/usr/local/games/quake3");
    EXPECT_EQ(s.base_folder, "baseq3");
    EXPECT_EQ(s.q3a_start_param, "");
    EXPECT_EQ(std::vector<std::string>({s.ff_key, s.sm_key, s.inc_key, s.dec_key, s.pause_key, s.next_key}),
              std::vector<std::string>({"kp_enter", "kp_del", "kp_plus", "kp_minus", "pause", "kp_5"}));
    EXPECT_EQ(std::vector<bool>({s.no_hints, s.no_splash, s.tip_of_day, s.work_readonly, s.restore_new_version,
                                 s.loop_demos, s.time_demos, s.mod_demos}),
              std::vector<bool>({false, true, true, true, true, false, false, true}));
    EXPECT_EQ(s.toolbar_dockpos, 0);
    EXPECT_TRUE(s.sound_enable && s.play_sounds && s.play_musics && s.play_menus);
    EXPECT_EQ(s.vol_musics + s.vol_sounds + s.vol_menus, -7500);
    EXPECT_FALSE(s.mainWindow.left || s.mainWindow.top || s.mainWindow.width || s.mainWindow.height);

    const auto& tree = s.virtualFolders;
    EXPECT_EQ(tree.width, 200);
    EXPECT_TRUE(tree.visible && tree.AutoScroll && !tree.ViewStyle);
    EXPECT_EQ(tree.Color, 10813437u); // red 253, green 255, blue 164
    EXPECT_EQ(tree.DemoFolderFontColor, 0u);
    EXPECT_EQ(tree.NonDemoFolderFontColor, 8421504u);

    EXPECT_EQ(s.demoList.width, 404);
    EXPECT_EQ(s.playList.width, 200);
    EXPECT_EQ(s.demoList.Color, 16776678u);
    EXPECT_EQ(s.playList.Color, 16770809u);
    EXPECT_TRUE(s.demoList.AutoActivateItems);
    EXPECT_FALSE(s.playList.AutoActivateItems);
    EXPECT_TRUE(s.playList.visible);
    for (const auto* list : {&s.demoList, &s.playList}) {
        EXPECT_EQ(list->ViewStyle, 3);
        EXPECT_FALSE(list->GridStyle || list->FullRowSelect || list->SortAscending);
        EXPECT_EQ(list->SortColumn, 0);
        const std::array<int, 26> order = {3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                                           16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 0,  1,  2};
        EXPECT_EQ(list->ColumnOrder, order);
        for (int i = 0; i < 26; ++i)
            EXPECT_EQ(list->ColumnWidth[static_cast<size_t>(i)], i < 3 ? core::kCaptionWidth : 0) << i;
    }
}

TEST(Settings, EveryKeyIsWrittenOnceInItsSection)
{
    SettingsRecord s = LoadSettings(IniFile(), "/games/q3");
    s.mainWindow = {10, 20, 900, 500};
    s.Selected_Folder = "/games/q3/baseq3/demos";
    IniFile file;
    SaveSettings(s, file);

    const auto written = KeysOf(file.Text());
    const auto expected = ExpectedKeys();
    ASSERT_EQ(written.size(), expected.size());
    for (const auto& [section, keys] : expected) {
        ASSERT_TRUE(written.contains(section)) << section;
        const auto& got = written.at(section);
        EXPECT_EQ(std::set<std::string>(got.begin(), got.end()), keys) << section;
        EXPECT_EQ(got.size(), keys.size()) << section << ": a key written twice";
    }
}

TEST(Settings, ValuesSurviveASaveAndALoad)
{
    SettingsRecord s = LoadSettings(IniFile(), "/games/q3");
    s.q3a_dir = "/home/me/Quake III \"Arena\"\\x";
    s.base_folder = "baseoa";
    s.q3a_start_param = "+set r_mode 4 +set name \"^1me=you\"";
    s.pause_key = "p";
    s.no_splash = false;
    s.work_readonly = false;
    s.Selected_Folder = "";
    s.toolbar_dockpos = 2;
    s.mod_demos = false;
    s.vol_sounds = -100;
    s.mainWindow = {-5, 0, 1024, 600};
    s.virtualFolders.ViewStyle = true;
    s.virtualFolders.NonDemoFolderFontColor = 0xFFFFFF;
    s.playList.visible = false;
    s.playList.width = 333;
    s.demoList.SortColumn = 20;
    s.demoList.SortAscending = true;
    s.demoList.ColumnWidth[7] = 120;
    std::swap(s.playList.ColumnOrder[0], s.playList.ColumnOrder[25]);

    IniFile file("[Global]\nsomething_else=kept\n");
    SaveSettings(s, file);
    const SettingsRecord back = LoadSettings(IniFile(file.Text()), "/elsewhere");
    IniFile again;
    SaveSettings(back, again);
    IniFile first;
    SaveSettings(s, first);
    EXPECT_EQ(again.Text(), first.Text());
    EXPECT_EQ(back.q3a_dir, s.q3a_dir);
    EXPECT_EQ(back.q3a_start_param, s.q3a_start_param);
    EXPECT_EQ(back.Selected_Folder, std::optional<std::string>(""));
    EXPECT_EQ(back.mainWindow.left, -5);
    EXPECT_EQ(back.playList.ColumnOrder[0], 2);
    EXPECT_EQ(file.Value("Global", "something_else"), "kept");
}

TEST(Settings, DamagedValuesFallBackToTheirDefaults)
{
    const IniFile file("[Global]\n"
                       "base_folder=\n"
                       "tip_of_day=maybe\n"
                       "[Virtual Folders]\n"
                       "Color=-16777211\n"
                       "DemoFolderFontColor=16777216\n"
                       "NonDemoFolderFontColor=255\n"
                       "[Demo List]\n"
                       "ViewStyle=7\n"
                       "SortColumn=26\n"
                       "Column0_Order=5\n"
                       "[Play List]\n"
                       "width=250\n"
                       "SortColumn=25\n"
                       "Column0_Order=2\n"
                       "Column25_Order=3\n");
    const SettingsRecord s = LoadSettings(file, "/g");
    EXPECT_EQ(s.base_folder, "baseq3");
    EXPECT_TRUE(s.tip_of_day);
    EXPECT_EQ(s.virtualFolders.Color, 10813437u) << "a Windows system colour is no RGB value";
    EXPECT_EQ(s.virtualFolders.DemoFolderFontColor, 0u);
    EXPECT_EQ(s.virtualFolders.NonDemoFolderFontColor, 255u);
    EXPECT_EQ(s.demoList.ViewStyle, 3);
    EXPECT_EQ(s.demoList.SortColumn, 0);
    EXPECT_EQ(s.demoList.ColumnOrder, core::DefaultColumnOrder()) << "column 5 twice, column 3 missing";
    EXPECT_EQ(s.playList.width, 250) << "\"width\" and \"Width\" are one key";
    EXPECT_EQ(s.playList.SortColumn, 25);
    EXPECT_EQ(s.playList.ColumnOrder[0], 2);
    EXPECT_EQ(s.playList.ColumnOrder[25], 3);
}

TEST(Settings, SplashFollowsTheEarlyReadAndTheFirstArgument)
{
    EXPECT_FALSE(core::ReadEarlyNoSplash(IniFile()));
    EXPECT_TRUE(core::ReadEarlyNoSplash(IniFile("[global]\nNO_SPLASH=1\n")));
    EXPECT_TRUE(core::LoadSettings(IniFile(), "/g").no_splash) << "the main window's default";

    struct Case {
        std::vector<std::string> arguments;
        bool shown;
    };
    const Case cases[] = {
        {{}, true}, {{"-nosplash"}, false}, {{"/nosplashes"}, false}, {{"NOSPLASH"}, true}, {{"x", "nosplash"}, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(core::ShowSplash(false, c.arguments), c.shown) << (c.arguments.empty() ? "" : c.arguments[0]);
    EXPECT_FALSE(core::ShowSplash(true, {}));
}

} // namespace
