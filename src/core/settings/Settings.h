#pragma once
// The settings record: every value of the configuration file "Velmora.cfg", read once at start-up
// and written once at exit. Fields are named after their keys, so that a key can be found in the
// code by its name in the file. The record also carries the paths derived from it.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/library/LibraryFeedback.h"
#include "core/library/Scanner.h"
#include "core/paths/Paths.h"
#include "core/playback/PlaybackKeys.h"
#include "core/playback/PlaybackSettings.h"
#include "core/row/DemoInfo.h"
#include "core/settings/IniFile.h"
#include "core/video/CapturePlan.h"

namespace core {

inline constexpr int kColumnCount = DemoFieldCount;
// A column width that the view replaces with the width that fits the column's caption and its
// typical values.
inline constexpr int kCaptionWidth = -1;
inline constexpr uint32_t kMaxColour = 0xFFFFFF;
// The game directory of a start that found no game; nothing is written at exit then.
inline constexpr const char* kGameDirectoryError = "ERROR";
// Start-up messages and the game folder chooser's title.
inline constexpr const char* kConfigErrorText = "Could not create Velmora.cfg";
inline constexpr const char* kConfigErrorTitle = "Error creating file";
inline constexpr const char* kGameFolderChooserTitle = "Please search your Quake III Arena program path";
inline constexpr const char* kGameNotFoundText = "'Quake III Arena (c) 1999-2000 ID Software Inc.' not found!\r\n"
                                                 "You must have a Quake III Arena Full Install\r\n"
                                                 "Program terminates now";
inline constexpr const char* kGameNotFoundTitle = "Fatal Error";
// The main window's client area before anything is stored.
inline constexpr int kDefaultClientWidth = 828;
inline constexpr int kDefaultClientHeight = 387;

// Sections "Demo List" and "Play List".
struct ListViewSettings {
    int width = 404;
    bool visible = true; // stored for the play list only; the demo list is always shown
    uint32_t Colour = 16776678;
    int ViewStyle = 3; // 0 big icons, 1 small icons, 2 list, 3 details
    bool GridStyle = false;
    bool FullRowSelect = false;
    bool AutoActivateItems = true;
    int SortColumn = 0;
    bool SortAscending = false;
    std::array<int, kColumnCount> ColumnWidth{}; // keys "Column<i>_Width"
    std::array<int, kColumnCount> ColumnOrder{}; // keys "Column<i>_Order": column at display position i

    static ListViewSettings DemoListDefaults();
    static ListViewSettings PlayListDefaults();
};

// The play list's default display order: columns 3 to 25, then 0, 1, 2 (the demo list has its own).
std::array<int, kColumnCount> DefaultColumnOrder();

// Section "Virtual Folders": the folder tree pane.
struct TreePaneSettings {
    int width = 200;
    bool visible = true;
    bool ViewStyle = false; // big icons (32-pixel rows) when true
    bool AutoScroll = true;
    uint32_t Colour = 10813437;
    uint32_t DemoFolderFontColour = 0;
    uint32_t NonDemoFolderFontColour = 8421504;
};

// Section "MainWindow"; nullopt: not stored yet, the window keeps its built-in place and size.
struct MainWindowSettings {
    std::optional<int> left, top, width, height;
};

struct SettingsRecord {
    // "Global"
    std::string q3a_dir;
    std::string base_folder = "baseq3"; // the game's base folder: "baseq3", or "baseoa" for OpenArena
    std::string q3a_start_param;
    std::string game_program;   // the game's program when set; empty: chosen by the demo's protocol
    std::string game_protocols; // the protocols that program plays ("66 67 68 71"); empty: by its kind
    std::string game_version;   // the game version converted demos carry; empty: by the base folder
    std::string ff_key = "kp_enter";
    std::string sm_key = "kp_del";
    std::string inc_key = "kp_plus";
    std::string dec_key = "kp_minus";
    std::string pause_key = "pause";
    std::string next_key = "kp_5";
    bool no_hints = false;
    bool no_splash = true; // the main window's default; see ReadEarlyNoSplash
    bool tip_of_day = true;
    bool work_readonly = true;
    bool restore_new_version = true;
    std::optional<std::string> Selected_Folder; // nullopt: the game directory
    int toolbar_dockpos = 0;                    // 0 top, 1 right, 2 bottom, 3 left; others: top

    // "Demos"
    bool loop_demos = false;
    bool time_demos = false;
    bool mod_demos = true;
    int play_from_seconds = 5; // "play from here" starts this long before the moment
    std::string clip_folder;   // where clips are saved; empty: "Clips" in the data directory
    int clip_before = 3;       // a moment's clip starts this many seconds before it
    int clip_after = 3;        // and ends this many seconds after it (after a multi-frag's last frag)

    // "Sound"
    bool sound_enable = true;
    bool play_sounds = true;
    bool play_musics = true;
    bool play_menus = true;
    int vol_musics = -2500;
    int vol_sounds = -2500;
    int vol_menus = -2500;

    MainWindowSettings mainWindow;
    TreePaneSettings virtualFolders;
    ListViewSettings demoList = ListViewSettings::DemoListDefaults();
    ListViewSettings playList = ListViewSettings::PlayListDefaults();

    // Not stored: where the program's files are, and the paths derived from the game directory.
    ProgramPaths paths;
    GamePaths game;

    std::string SelectedFolder() const { return Selected_Folder.value_or(q3a_dir); }
    core::FolderColours FolderFontColours() const
    {
        return {virtualFolders.DemoFolderFontColour, virtualFolders.NonDemoFolderFontColour};
    }
};

// The program-wide record, alive from start-up to exit.
extern SettingsRecord Settings;

// Reads every key; a missing or unusable value gives its default. `builtInGameDirectory` is the
// default of "q3a_dir". Column orders that are not an arrangement of all 26 columns, and view
// styles and sort columns out of range, give their defaults, so a damaged file cannot hide or
// lose columns.
SettingsRecord LoadSettings(const IniFile& file, const std::string& builtInGameDirectory);
// Writes every key of the record into the file; other lines of the file stay.
void SaveSettings(const SettingsRecord& settings, IniFile& file);

// Start-up: reads the configuration file into a record. `result` tells a missing file (defaults,
// no message) from one that exists but cannot be read ("Could not create Velmora.cfg").
SettingsRecord ReadConfiguration(const std::filesystem::path& file, const std::string& builtInGameDirectory,
                                 IniFile::LoadResult* result = nullptr);
// Exit: writes every key into the file, keeping its other lines; an unreadable file is left as it
// is. After a start that found no game (game directory kGameDirectoryError) the file is left
// untouched: the user's settings survive a game folder that was only missing for a while (an
// unmounted disk), and the next start asks for the game again all the same.
bool WriteConfiguration(const SettingsRecord& settings, const std::filesystem::path& file);

// The game directory and everything derived from it.
void SetGameDirectory(SettingsRecord& settings, const std::string& gameDirectory);

// What the scanner needs from the settings: user data folder and the two folder font colours.
ScanSettings ScanSettingsFor(const SettingsRecord& settings);
// What a play command needs from the settings, taken when it starts.
PlaybackSettings PlaybackSettingsFor(const SettingsRecord& settings);
// The data converted demos and clips are made for: "base_folder" and "game_version".
TargetGameData ConversionGameDataFor(const SettingsRecord& settings);
// The game a video capture runs, with the program's mod table, taken when the export starts.
CaptureGame CaptureGameFor(const SettingsRecord& settings);

// The six playback keys of the record ("ff_key" ... "next_key"): what the keys dialog shows.
PlaybackKeys CurrentPlaybackKeys(const SettingsRecord& settings);
// The keys dialog's OK: rebuilds KeyBindingBlock from the inputs and stores them in the record.
void ConfirmPlaybackKeys(const PlaybackKeys& inputs, SettingsRecord& settings);

// "no_splash" as read before the main window exists: false when missing.
bool ReadEarlyNoSplash(const IniFile& file);
// The splash screen shows unless the setting says no or the first argument after the program's
// name contains "nosplash" (exact case, anywhere in it).
bool ShowSplash(bool noSplash, const std::vector<std::string>& arguments);

} // namespace core
