#include "core/settings/Settings.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <type_traits>

namespace core {

SettingsRecord Settings;

std::array<int, kColumnCount> DefaultColumnOrder()
{
    std::array<int, kStoredColumns> order{};
    for (int i = 0; i < kStoredColumns; ++i)
        order[static_cast<size_t>(i)] = (i + 3) % kStoredColumns;
    return MergedColumnOrder(order, kStoredColumns);
}

namespace {

std::array<int, kColumnCount> DefaultColumnWidths()
{
    std::array<int, kColumnCount> widths{};
    widths[FieldDemoname] = widths[FieldSize] = widths[FieldRecorded] = kCaptionWidth;
    return widths;
}

ListViewSettings CommonListDefaults()
{
    ListViewSettings list;
    list.ColumnWidth = DefaultColumnWidths();
    list.ColumnOrder = DefaultColumnOrder();
    return list;
}

// The demo list of a first start shows what tells demos apart, as the README's picture shows it:
// these columns first, in this order, the others hidden after them.
constexpr int kFirstDemoListColumns[] = {FieldDemoname, FieldMap,    FieldPlaytime,   FieldGametype, FieldHostname,
                                         FieldProtocol, FieldWinner, FieldFinalScore, FieldSize,     FieldRecorded};

} // namespace

ListViewSettings ListViewSettings::DemoListDefaults()
{
    ListViewSettings list = CommonListDefaults();
    list.ColumnWidth = {};
    size_t position = 0;
    for (const int column : kFirstDemoListColumns) {
        list.ColumnWidth[static_cast<size_t>(column)] = kCaptionWidth;
        list.ColumnOrder[position++] = column;
    }
    for (int column = 0; column < kColumnCount; ++column)
        if (std::find(std::begin(kFirstDemoListColumns), std::end(kFirstDemoListColumns), column) ==
            std::end(kFirstDemoListColumns))
            list.ColumnOrder[position++] = column;
    list.width = 404;
    list.Colour = 16776678;
    list.AutoActivateItems = true;
    return list;
}

ListViewSettings ListViewSettings::PlayListDefaults()
{
    ListViewSettings list = CommonListDefaults();
    list.width = 200;
    list.Colour = 16770809;
    list.AutoActivateItems = false;
    return list;
}

namespace {

// Colours are kept apart from plain integers so that reading can check their range.
template <class T> struct ColourRef {
    T& value;
};

template <class T> ColourRef<T> Colour(T& value)
{
    return {value};
}

// Calls `visit(section, key, field)` for every key of the file in the order it is written. Loading
// and saving both walk this one list, so that no key can be read and then forgotten at exit.
template <class Record, class Visitor> void VisitKeys(Record& s, Visitor&& visit)
{
    constexpr std::string_view global = "Global";
    visit(global, "q3a_dir", s.q3a_dir);
    visit(global, "base_folder", s.base_folder);
    visit(global, "q3a_start_param", s.q3a_start_param);
    visit(global, "game_program", s.game_program);
    visit(global, "game_protocols", s.game_protocols);
    visit(global, "game_version", s.game_version);
    visit(global, "ff_key", s.ff_key);
    visit(global, "sm_key", s.sm_key);
    visit(global, "inc_key", s.inc_key);
    visit(global, "dec_key", s.dec_key);
    visit(global, "pause_key", s.pause_key);
    visit(global, "next_key", s.next_key);
    visit(global, "no_hints", s.no_hints);
    visit(global, "no_splash", s.no_splash);
    visit(global, "tip_of_day", s.tip_of_day);
    visit(global, "work_readonly", s.work_readonly);
    visit(global, "restore_new_version", s.restore_new_version);
    visit(global, "Selected_Folder", s.Selected_Folder);
    visit(global, "toolbar_dockpos", s.toolbar_dockpos);

    visit("Demos", "loop_demos", s.loop_demos);
    visit("Demos", "time_demos", s.time_demos);
    visit("Demos", "mod_demos", s.mod_demos);
    visit("Demos", "play_from_seconds", s.play_from_seconds);
    visit("Demos", "clip_folder", s.clip_folder);
    visit("Demos", "clip_before", s.clip_before);
    visit("Demos", "clip_after", s.clip_after);

    constexpr std::string_view sound = "Sound";
    visit(sound, "sound_enable", s.sound_enable);
    visit(sound, "play_sounds", s.play_sounds);
    visit(sound, "play_musics", s.play_musics);
    visit(sound, "play_menus", s.play_menus);
    visit(sound, "vol_musics", s.vol_musics);
    visit(sound, "vol_sounds", s.vol_sounds);
    visit(sound, "vol_menus", s.vol_menus);

    visit("MainWindow", "left", s.mainWindow.left);
    visit("MainWindow", "top", s.mainWindow.top);
    visit("MainWindow", "width", s.mainWindow.width);
    visit("MainWindow", "height", s.mainWindow.height);

    constexpr std::string_view tree = "Virtual Folders";
    auto& folders = s.virtualFolders;
    visit(tree, "width", folders.width);
    visit(tree, "visible", folders.visible);
    visit(tree, "ViewStyle", folders.ViewStyle);
    visit(tree, "AutoScroll", folders.AutoScroll);
    visit(tree, "Color", Colour(folders.Colour));
    visit(tree, "DemoFolderFontColor", Colour(folders.DemoFolderFontColour));
    visit(tree, "NonDemoFolderFontColor", Colour(folders.NonDemoFolderFontColour));

    auto visitList = [&](std::string_view section, auto& list, bool isPlayList) {
        // The play list's width has always been written as "Width"; names compare without case.
        visit(section, isPlayList ? "Width" : "width", list.width);
        if (isPlayList)
            visit(section, "visible", list.visible);
        visit(section, "Color", Colour(list.Colour));
        visit(section, "ViewStyle", list.ViewStyle);
        visit(section, "GridStyle", list.GridStyle);
        visit(section, "FullRowSelect", list.FullRowSelect);
        visit(section, "AutoActivateItems", list.AutoActivateItems);
        visit(section, "SortColumn", list.SortColumn);
        visit(section, "SortAscending", list.SortAscending);
        int runTimePosition = kStoredColumns;
        std::array<int, kStoredColumns> stored = StoredColumnOrder(list.ColumnOrder, runTimePosition);
        for (size_t i = 0; i < kStoredColumns; ++i) {
            const std::string column = "Column" + std::to_string(i);
            visit(section, column + "_Width", list.ColumnWidth[i]);
            visit(section, column + "_Order", stored[i]);
        }
        visit(section, "RunTime_Width", list.ColumnWidth[FieldRunTime]);
        visit(section, "RunTime_Position", runTimePosition);
        if constexpr (!std::is_const_v<std::remove_reference_t<decltype(list)>>)
            list.ColumnOrder = MergedColumnOrder(stored, runTimePosition);
    };
    visitList("Demo List", s.demoList, false);
    visitList("Play List", s.playList, true);
}

class Reader {
public:
    explicit Reader(const IniFile& file) : m_file(file) {}

    void operator()(std::string_view section, std::string_view key, std::string& field) const
    {
        field = m_file.ReadString(section, key, field);
    }
    void operator()(std::string_view section, std::string_view key, int& field) const
    {
        field = m_file.ReadInteger(section, key, field);
    }
    void operator()(std::string_view section, std::string_view key, bool& field) const
    {
        field = m_file.ReadBool(section, key, field);
    }
    void operator()(std::string_view section, std::string_view key, ColourRef<uint32_t> field) const
    {
        // Read wide enough for any stored colour; a value that is no plain RGB colour (Windows
        // system colours are negative) keeps the default.
        const int value = m_file.ReadInteger(section, key, -1);
        if (value >= 0 && static_cast<uint32_t>(value) <= kMaxColour)
            field.value = static_cast<uint32_t>(value);
    }
    void operator()(std::string_view section, std::string_view key, std::optional<int>& field) const
    {
        if (const auto stored = m_file.Value(section, key))
            if (const auto value = IniFile::ParseInteger(*stored))
                field = value;
    }
    void operator()(std::string_view section, std::string_view key, std::optional<std::string>& field) const
    {
        if (auto stored = m_file.Value(section, key))
            field = std::move(*stored);
    }

private:
    const IniFile& m_file;
};

class Writer {
public:
    explicit Writer(IniFile& file) : m_file(file) {}

    void operator()(std::string_view section, std::string_view key, const std::string& field) const
    {
        m_file.WriteString(section, key, field);
    }
    void operator()(std::string_view section, std::string_view key, const int& field) const
    {
        m_file.WriteInteger(section, key, field);
    }
    void operator()(std::string_view section, std::string_view key, const bool& field) const
    {
        m_file.WriteBool(section, key, field);
    }
    void operator()(std::string_view section, std::string_view key, ColourRef<const uint32_t> field) const
    {
        m_file.WriteInteger(section, key, field.value);
    }
    void operator()(std::string_view section, std::string_view key, const std::optional<int>& field) const
    {
        if (field)
            m_file.WriteInteger(section, key, *field);
    }
    void operator()(std::string_view section, std::string_view key, const std::optional<std::string>& field) const
    {
        if (field)
            m_file.WriteString(section, key, *field);
    }

private:
    IniFile& m_file;
};

bool IsColumnArrangement(const std::array<int, kColumnCount>& order)
{
    std::array<bool, kColumnCount> seen{};
    for (int column : order) {
        if (column < 0 || column >= kColumnCount || seen[static_cast<size_t>(column)])
            return false;
        seen[static_cast<size_t>(column)] = true;
    }
    return true;
}

void RepairList(ListViewSettings& list, const ListViewSettings& defaults)
{
    if (!IsColumnArrangement(list.ColumnOrder))
        list.ColumnOrder = defaults.ColumnOrder;
    if (list.ViewStyle < 0 || list.ViewStyle > 3)
        list.ViewStyle = defaults.ViewStyle;
    if (list.SortColumn < 0 || list.SortColumn >= kColumnCount)
        list.SortColumn = defaults.SortColumn;
}

} // namespace

SettingsRecord LoadSettings(const IniFile& file, const std::string& builtInGameDirectory)
{
    SettingsRecord settings;
    settings.q3a_dir = builtInGameDirectory;
    VisitKeys(settings, Reader(file));
    RepairList(settings.demoList, ListViewSettings::DemoListDefaults());
    RepairList(settings.playList, ListViewSettings::PlayListDefaults());
    if (settings.base_folder.empty())
        settings.base_folder = SettingsRecord{}.base_folder;
    return settings;
}

void SaveSettings(const SettingsRecord& settings, IniFile& file)
{
    VisitKeys(settings, Writer(file));
}

SettingsRecord ReadConfiguration(const std::filesystem::path& file, const std::string& builtInGameDirectory,
                                 IniFile::LoadResult* result)
{
    IniFile ini;
    const IniFile::LoadResult loaded = ini.Load(file);
    if (result)
        *result = loaded;
    return LoadSettings(ini, builtInGameDirectory);
}

bool WriteConfiguration(const SettingsRecord& settings, const std::filesystem::path& file)
{
    if (settings.q3a_dir == kGameDirectoryError)
        return true;
    IniFile ini;
    if (ini.Load(file) == IniFile::LoadResult::Unreadable)
        return false;
    SaveSettings(settings, ini);
    return ini.Save(file);
}

void SetGameDirectory(SettingsRecord& settings, const std::string& gameDirectory)
{
    settings.q3a_dir = gameDirectory;
    settings.game = MakeGamePaths(gameDirectory, settings.base_folder);
}

ScanSettings ScanSettingsFor(const SettingsRecord& settings)
{
    ScanSettings scan;
    scan.demoDataDirectory = settings.paths.demoDataDirectory;
    scan.colours = settings.FolderFontColours();
    scan.userCacheDirectory = settings.paths.userCacheDirectory;
    return scan;
}

TargetGameData ConversionGameDataFor(const SettingsRecord& settings)
{
    return ConversionGameData(settings.base_folder, settings.game_version);
}

PlaybackSettings PlaybackSettingsFor(const SettingsRecord& settings)
{
    PlaybackSettings playback;
    playback.gameDirectory = settings.q3a_dir;
    playback.baseFolder = settings.base_folder;
    playback.game = settings.game;
    playback.startParameters = settings.q3a_start_param;
    playback.gameProgram = settings.game_program;
    playback.gameProtocols = settings.game_protocols;
    playback.conversion = ConversionGameDataFor(settings);
    playback.modDemos = settings.mod_demos;
    playback.loopDemos = settings.loop_demos;
    playback.timeDemos = settings.time_demos;
    playback.playFromSeconds = settings.play_from_seconds;
    playback.restoreNewVersion = settings.restore_new_version;
    return playback;
}

CaptureGame CaptureGameFor(const SettingsRecord& settings)
{
    CaptureGame game;
    game.paths = settings.game;
    game.baseFolder = settings.base_folder;
    game.programSetting = settings.game_program;
    game.protocolsSetting = settings.game_protocols;
    game.globalParameters = settings.q3a_start_param;
    game.gameVersion = settings.game_version;
    game.mods = ModTable;
    game.elsewhere = ModLocations;
    return game;
}

namespace {

// The record's fields of the playback keys, in the order of PlaybackKeyTable.
constexpr std::array<std::string SettingsRecord::*, kPlaybackKeyCount> kPlaybackKeyFields = {
    &SettingsRecord::ff_key,  &SettingsRecord::sm_key,    &SettingsRecord::inc_key,
    &SettingsRecord::dec_key, &SettingsRecord::pause_key, &SettingsRecord::next_key};

} // namespace

PlaybackKeys CurrentPlaybackKeys(const SettingsRecord& settings)
{
    PlaybackKeys keys;
    for (int i = 0; i < kPlaybackKeyCount; ++i)
        keys[i] = settings.*kPlaybackKeyFields[i];
    return keys;
}

void ConfirmPlaybackKeys(const PlaybackKeys& inputs, SettingsRecord& settings)
{
    PlaybackKeys current = CurrentPlaybackKeys(settings);
    KeyBindingBlock = RebuildKeyBindingBlock(inputs, current);
    for (int i = 0; i < kPlaybackKeyCount; ++i)
        settings.*kPlaybackKeyFields[i] = current[i];
}

bool ReadEarlyNoSplash(const IniFile& file)
{
    return file.ReadBool("Global", "no_splash", false);
}

bool ShowSplash(bool noSplash, const std::vector<std::string>& arguments)
{
    if (noSplash)
        return false;
    return arguments.empty() || arguments.front().find("nosplash") == std::string::npos;
}

} // namespace core
