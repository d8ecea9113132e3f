#include "core/playback/GameLaunch.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "core/archive/DemoFile.h"
#include "core/archive/ZipRead.h"
#include "core/convert/DemoConversion.h"
#include "core/convert/DemoFileConversion.h"
#include "core/convert/OldGameNumbers.h"
#include "core/demo/DemoDecoder.h"
#include "core/library/DemoFiles.h"
#include "core/playback/GameParameters.h"
#include "core/playback/GamePrograms.h"
#include "core/playback/Mods.h"
#include "core/playback/PlayList.h"
#include "core/playback/PlayScript.h"
#include "core/playback/PlaybackSettings.h"
#include "core/playback/RunningGame.h"
#include "core/playback/VersionSwitch.h"
#include "core/protocol/ProtocolTable.h"
#include "platform/ShellWords.h"

namespace fs = std::filesystem;

namespace core {
namespace {

constexpr char kMemberMarker = '\x01';

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool IsPackMember(int sourceKind)
{
    return sourceKind >= 1 && sourceKind <= 3;
}

// A demo without information (its "Mod" is "N/A") is no member of an archive that can be found
// again, and a plain one is only played where it lies.
bool HasNoInformation(int sourceKind)
{
    return sourceKind >= 4;
}

// The demo argument of a plain file that lies in the folder or below it.
std::optional<std::string> ArgumentBelow(const std::string& demoFolder, const DemoInfo& row)
{
    const std::string& location = row[FieldLocation];
    if (location != demoFolder && !StartsWith(location, demoFolder + kPathSeparator))
        return std::nullopt;
    std::string argument = DemoCommandName(demoFolder, JoinPath(location, row[FieldDemoname]));
    if (!IsConsoleSafeName(argument))
        return std::nullopt;
    return argument;
}

void BusyCursor(bool on)
{
    if (Hooks().busyCursor)
        Hooks().busyCursor(on);
}

class BusyCursorScope {
public:
    BusyCursorScope() { BusyCursor(true); }
    ~BusyCursorScope() { BusyCursor(false); }
    BusyCursorScope(const BusyCursorScope&) = delete;
    BusyCursorScope& operator=(const BusyCursorScope&) = delete;
};

// The copy is made under a hidden name and then renamed over the temporary demo, so that a game
// still playing the previous file of that name keeps reading intact data.
std::string PartialName(const std::string& demoDirectory, const std::string& tempName)
{
    return JoinPath(demoDirectory, "." + tempName + ".part");
}

bool FinishPartial(const std::string& partial, const std::string& target)
{
    std::error_code ec;
    fs::rename(partial, target, ec);
    if (ec)
        fs::remove(partial, ec);
    return !ec;
}

std::string MemberName(const DemoInfo& row)
{
    const std::string& folder = row[FieldArchiveLocation];
    return folder.empty() ? row[FieldDemoname] : folder + "\\" + row[FieldDemoname];
}

bool CopyToTemp(const DemoInfo& row, const std::string& tempName, const PlaybackSettings& settings)
{
    const std::string& demoDirectory = settings.game.demoDirectory;
    std::error_code ec;
    fs::create_directories(demoDirectory, ec);
    const std::string partial = PartialName(demoDirectory, tempName);
    fs::copy_file(JoinPath(row[FieldLocation], row[FieldDemoname]), partial, fs::copy_options::overwrite_existing, ec);
    if (ec) {
        fs::remove(partial, ec);
        return false;
    }
    return FinishPartial(partial, JoinPath(demoDirectory, tempName));
}

bool ExtractToTemp(const DemoInfo& row, const std::string& tempName, const PlaybackSettings& settings)
{
    const std::string& archive = row[FieldLocation];
    const std::string member = MemberName(row);
    ZipSearchRec search;
    if (FindMemberByName(archive, member, search) != 0)
        return false;
    const uint32_t headerOffset = search.headerOffset;
    CloseZipSearch(search);
    const std::string partial = PartialName(settings.game.demoDirectory, tempName);
    if (UnzipFile(archive, partial, 0, headerOffset) != UnzipResult::Ok) {
        std::error_code ec;
        fs::remove(partial, ec);
        return false;
    }
    return FinishPartial(partial, JoinPath(settings.game.demoDirectory, tempName));
}

PlayFailure CopyFailure(const DemoInfo& row)
{
    return {PlayError::CopyFailed, "Could not copy file " + row[FieldDemoname] + "!"};
}

PlayFailure ExtractFailure(const DemoInfo& row)
{
    return {PlayError::ExtractFailed,
            "Could not extract file " + row[FieldDemoname] + " from archive " + row[FieldLocation] + "!"};
}

// Converts the row into the temporary demo: written under a hidden name and renamed when complete,
// so that the game never finds half of it. A failure names the demo and what went wrong.
PlayResult ConvertToTemp(const DemoInfo& row, const std::string& tempName, int protocol,
                         const PlaybackSettings& settings, PlayNotices& notices)
{
    DemoFileConversion job;
    const bool member = IsPackMember(SourceKind(row));
    job.name = member ? MemberName(row) : JoinPath(row[FieldLocation], row[FieldDemoname]);
    job.archive = member ? row[FieldLocation] : "";
    job.fromProtocol = ProtocolNumber(row[FieldProtocol]);
    job.toProtocol = protocol;
    job.data = settings.conversion;
    std::error_code ec;
    fs::create_directories(settings.game.demoDirectory, ec);
    job.output = JoinPath(settings.game.demoDirectory, tempName);
    const DemoFileConversionResult result = ConvertDemoFile(job);
    if (!result.ok)
        return PlayFailure{PlayError::ConversionFailed, ConversionFailureText(row, protocol, result.failure)};
    if (!result.brokeOff.empty())
        // Played all the same, as far as it goes: the user learns why it ends early.
        notices.push_back({PlayError::DemoDamaged, "The demo " + row[FieldDemoname] + " (protocol " +
                                                       row[FieldProtocol] + "): " + result.brokeOff +
                                                       ".\r\nThe game plays it up to there."});
    return Done{};
}

// Copies, extracts or converts the row to the temporary demo.
PlayResult MakeTempDemo(const DemoInfo& row, const std::string& tempName, std::optional<int> convertTo,
                        const PlaybackSettings& settings, PlayNotices& notices)
{
    BusyCursorScope hourglass;
    if (convertTo)
        return ConvertToTemp(row, tempName, *convertTo, settings, notices);
    if (IsPackMember(SourceKind(row))) {
        if (ExtractToTemp(row, tempName, settings))
            return Done{};
        return ExtractFailure(row);
    }
    if (CopyToTemp(row, tempName, settings))
        return Done{};
    return CopyFailure(row);
}

} // namespace

std::string ConversionFailureText(const DemoInfo& row, int protocol, const std::string& failure)
{
    return "The demo " + row[FieldDemoname] + " (protocol " + row[FieldProtocol] +
           ") could not be converted to protocol " + std::to_string(protocol) + " for the game: " + failure +
           ".\r\nIt was not played.";
}

std::string PlayModDirectory(const DemoInfo& row, const PlaybackSettings& settings)
{
    return settings.modDemos ? FindModDir(row[FieldMod], settings) : settings.game.baseDirectory;
}

std::string TempDemoName(size_t index, const DemoInfo& row, std::optional<int> convertedTo)
{
    std::string extension = convertedTo ? DemoExtensionOf(*convertedTo) : LowerExtension(row[FieldDemoname]);
    if (!IsDemoExtension(extension))
        extension = ProtocolColumnBelow(row[FieldProtocol], kProtocolFirst127) ? ".dm3" : ".dm_48";
    char number[32];
    std::snprintf(number, sizeof number, "%.2zu", index);
    return std::string("vmrtmp") + number + extension;
}

bool IsTempDemoName(std::string_view fileName)
{
    if (!StartsWith(fileName, "vmrtmp"))
        return false;
    size_t digits = 0;
    while (6 + digits < fileName.size() && fileName[6 + digits] >= '0' && fileName[6 + digits] <= '9')
        ++digits;
    const std::string_view rest = fileName.substr(6 + digits);
    return digits >= 2 && rest == LowerExtension(rest) && IsDemoExtension(rest);
}

bool IsConsoleSafeName(std::string_view text)
{
    if (text.empty())
        return false;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        // The game's console splits words at every byte up to ' ' read as a signed char, and so
        // also at every byte of a UTF-8 name beyond ASCII: such a demo plays from a copy.
        if (byte <= ' ' || byte >= 0x7F || c == '"' || c == ';' || c == '\\')
            return false;
    }
    return text.find("//") == std::string_view::npos && text.find("/*") == std::string_view::npos;
}

std::string DemoCommandName(const std::string& demoFolder, const std::string& fullPath)
{
    std::string relative = fullPath.substr(std::min(fullPath.size(), demoFolder.size() + 1));
    const std::string extension = LowerExtension(relative);
    if (!StartsWith(extension, ".dm_"))
        relative.resize(relative.size() - extension.size());
    return relative;
}

std::optional<std::string> InPlaceDemoArgument(const DemoInfo& row, const std::string& modDirectory,
                                               const GamePaths& game)
{
    const int kind = SourceKind(row);
    if (IsPackMember(kind)) {
        // The game loads only ".pk3" packs, from the folder of the base game and of the mod it runs.
        const std::string& archive = row[FieldLocation];
        const std::string folder(archive.substr(0, archive.size() - FileNameOf(archive).size()));
        const bool loadedPack =
            kind == 1 && row[FieldArchiveLocation] == "demos" &&
            (folder == game.baseDirectory + kPathSeparator || folder == modDirectory + kPathSeparator);
        if (!loadedPack || !IsConsoleSafeName(row[FieldDemoname]))
            return std::nullopt;
        return row[FieldDemoname];
    }
    if (kind > 4)
        return std::nullopt;
    if (std::optional<std::string> argument = ArgumentBelow(game.demoDirectory, row))
        return argument;
    if (modDirectory != game.baseDirectory)
        return ArgumentBelow(JoinPath(modDirectory, "demos"), row);
    return std::nullopt;
}

bool PlayableInPlace(const DemoInfo& row, const std::string& modDirectory, const GamePaths& game)
{
    return InPlaceDemoArgument(row, modDirectory, game).has_value();
}

std::string SourceText(const DemoInfo& row)
{
    if (IsPackMember(SourceKind(row) % 4))
        return std::string(1, kMemberMarker) + row[FieldLocation] + "\\" + row[FieldDemoname];
    return JoinPath(row[FieldLocation], row[FieldDemoname]);
}

std::optional<PreparedEntry> PrepareEntry(const DemoInfo& row, size_t index, const PlaybackSettings& settings,
                                          PlayNotices& notices, std::optional<int> convertTo)
{
    const std::string modDirectory = PlayModDirectory(row, settings);
    if (!convertTo)
        if (std::optional<std::string> argument = InPlaceDemoArgument(row, modDirectory, settings.game))
            return PreparedEntry{*argument, SourceText(row), row[FieldDemoname]};
    if (HasNoInformation(SourceKind(row)))
        return std::nullopt;
    const std::string tempName = TempDemoName(index, row, convertTo);
    if (PlayResult made = MakeTempDemo(row, tempName, convertTo, settings, notices); !made) {
        notices.push_back(made.failure());
        return std::nullopt;
    }
    return PreparedEntry{tempName, SourceText(row), row[FieldDemoname]};
}

std::string ProgramForProtocol(const std::string& protocol, const PlaybackSettings& settings)
{
    return GameProgramFor(protocol, settings.game, settings.gameProgram);
}

std::optional<int> ConversionFor(const DemoInfo& row, const std::string& program, const PlaybackSettings& settings)
{
    const std::optional<int> protocol = ProtocolNumber(row[FieldProtocol]);
    if (program.empty() || !protocol || HasNoInformation(SourceKind(row)))
        return std::nullopt;
    return ConversionTarget(*protocol, PlayableProtocols(program, settings.game, settings.gameProtocols));
}

std::string PlayedProtocol(const DemoInfo& row, const std::string& program, const PlaybackSettings& settings)
{
    const std::optional<int> converted = ConversionFor(row, program, settings);
    return converted ? std::to_string(*converted) : row[FieldProtocol];
}

namespace {

// The game version a demo's game state names (configuration string 20 from protocol 66 on, which
// the game code compares with its own); empty when the demo cannot be read.
std::string DemoGameVersion(const DemoInfo& row)
{
    const bool member = IsPackMember(SourceKind(row));
    const DemoBytes bytes = LoadDemoBytes(member ? MemberName(row) : JoinPath(row[FieldLocation], row[FieldDemoname]),
                                          member ? row[FieldLocation] : "");
    const std::optional<int> protocol = ProtocolNumber(row[FieldProtocol]);
    if (!bytes.found || !protocol)
        return "";
    DemoDecoder decoder(bytes.data.span(), *protocol);
    DemoMessage message;
    while (decoder.Next(message))
        if (message.gameState) {
            for (const auto& [index, text] : message.gameState->configStrings)
                if (index == kGameVersionIndex)
                    return text;
            return "";
        }
    return "";
}

// The base games' own code: "baseq3-1" (the original game, OSP and other mods that keep its client
// code), "baseoa-1" (OpenArena).
bool IsBaseGameVersion(const std::string& version, const std::string& baseFolder)
{
    const std::string game = LowerCase(version.substr(0, version.rfind('-')));
    return game == "baseq3" || game == "baseoa" || game == LowerCase(baseFolder);
}

} // namespace

std::optional<std::string> MissingModText(const DemoInfo& row, const std::string& program,
                                          const PlaybackSettings& settings)
{
    const std::string mod = LowerCase(row[FieldMod]);
    if (program.empty() || ConversionFor(row, program, settings) || HasNoInformation(SourceKind(row)) || mod.empty() ||
        mod == "n/a" || mod == "baseq3" || mod == "baseoa" || mod == LowerCase(settings.baseFolder) ||
        LowerCase(FindModDir(mod, settings)) != LowerCase(settings.game.baseDirectory))
        return std::nullopt;
    // Mods that keep the base game's client code (OSP) record its game version: the base game
    // plays their demos. Only a demo that names its own game code needs the mod.
    const std::string version = DemoGameVersion(row);
    if (version.empty() || IsBaseGameVersion(version, settings.baseFolder))
        return std::nullopt;
    // The engines' home folders are where a user installs a mod, whether they exist yet or not;
    // of the system folders only those of an installed engine.
    std::string folders;
    std::error_code ec;
    for (const std::string& home : ModLocations.homes)
        folders += (folders.empty() ? "" : ", ") + home;
    for (const std::string& root : ModLocations.system)
        if (fs::is_directory(root, ec))
            folders += (folders.empty() ? "" : ", ") + root;
    return "The demo \"" + row[FieldDemoname] + "\" was recorded with the mod \"" + row[FieldMod] +
           "\", which is not installed: the game stops such a demo with a black screen. The mod's folder \"" +
           row[FieldMod] + "\" with its packs would have to be in the game directory " + settings.gameDirectory +
           (folders.empty() ? std::string() : " or in one of the engine's folders (" + folders + ")") +
           ".\r\nNothing was played.";
}

PlayResult CheckPlayable(const DemoInfo& row, const std::string& program, const PlaybackSettings& settings)
{
    // Without any program the start reports what is missing.
    if (program.empty())
        return Done{};
    if (!ConversionFor(row, program, settings)) {
        const std::optional<std::string> refusal =
            UnplayableDemoText(row[FieldDemoname], row[FieldProtocol], program,
                               PlayableProtocols(program, settings.game, settings.gameProtocols));
        if (refusal)
            return PlayFailure{PlayError::Unplayable, *refusal};
    }
    if (std::optional<std::string> refusal = MissingModText(row, program, settings))
        return PlayFailure{PlayError::ModNotInstalled, std::move(*refusal)};
    return Done{};
}

PlayResult PlayDemo(const DemoInfo& row, const PlaybackSettings& settings, PlayNotices& notices)
{
    const std::string program = ProgramForProtocol(row[FieldProtocol], settings);
    if (PlayResult playable = CheckPlayable(row, program, settings); !playable)
        return playable;
    const std::string modDirectory = PlayModDirectory(row, settings);
    const std::string displayName = LowerCase(row[FieldDemoname]);
    if (const std::optional<int> convertTo = ConversionFor(row, program, settings)) {
        // Wherever the demo lies, the game plays the converted copy.
        RemoveTempDemos(settings);
        const std::string tempName = TempDemoName(0, row, convertTo);
        if (PlayResult made = MakeTempDemo(row, tempName, convertTo, settings, notices); !made)
            return made;
        MakeTmpPlayList(displayName, tempName, settings, notices);
    } else if (std::optional<std::string> argument = InPlaceDemoArgument(row, modDirectory, settings.game)) {
        RemoveTempDemos(settings);
        MakeTmpPlayList(displayName, *argument, settings, notices);
    } else if (HasNoInformation(SourceKind(row))) {
        // Nothing would be copied, and the script would name whatever temporary demo an earlier
        // command left behind.
        return PlayFailure{PlayError::Unreadable,
                           "The demo " + row[FieldDemoname] + " could not be read, so it cannot be played!"};
    } else {
        RemoveTempDemos(settings);
        PlayResult made = MakeTempDemo(row, TempDemoName(0, row), std::nullopt, settings, notices);
        MakeTmpPlayList(displayName, "", settings, notices);
        if (!made)
            return made;
    }
    if (Hooks().stopSounds)
        Hooks().stopSounds();
    return LaunchGame(PlayedProtocol(row, program, settings), modDirectory, settings, notices);
}

std::string ModStartPart(const std::string& modDirectory, const std::string& baseDirectory)
{
    if (LowerCase(modDirectory) == LowerCase(baseDirectory))
        return "";
    return "+set fs_game " + platform::QuoteShellWord(FileNameOf(modDirectory));
}

PlayResult LaunchGame(const std::string& protocol, const std::string& modDirectory, const PlaybackSettings& settings,
                      PlayNotices& notices)
{
    const std::string program = ProgramForProtocol(protocol, settings);
    if (KindOfProgram(program) == ProgramKind::Original)
        SwitchVersionForProtocol(protocol, settings, notices);
    const std::string modPart = settings.modDemos ? ModStartPart(modDirectory, settings.game.baseDirectory) : "";
    if (IsGameRunning(settings)) {
        // A running game only needs the script, when it is the right program and reads console
        // lines; a mod can only be loaded by a fresh start. A game reached through its console
        // FIFO is of the ioquake3 family. A game that went away between the test and the line
        // gets a fresh start as well.
        const std::string running = RunningGameProgram(settings);
        const bool rightProgram =
            running.empty() ? KindOfProgram(program) == ProgramKind::Ioquake3 : running == program;
        const bool takesLines = GameTakesConsoleLines(settings);
        if (modPart.empty() && rightProgram && takesLines &&
            SendConsoleCommand(std::string("exec ") + kPlayScriptName, settings)) {
            RaiseGameWindow(settings);
            return Done{};
        }
        CloseGame(settings);
        if (!takesLines && Hooks().status)
            Hooks().status(kWineRestartStatus);
    }
    return StartGame(program, PlayStartParameters(settings.startParameters, modPart), settings);
}

void RemoveTempDemos(const PlaybackSettings& settings)
{
    std::error_code ec;
    for (const FolderEntry& entry : ListFolder(settings.game.demoDirectory)) {
        const std::string_view name = entry.name;
        const bool partial = name.size() > 6 && name.front() == '.' && name.ends_with(".part") &&
                             IsTempDemoName(name.substr(1, name.size() - 6));
        // A converted copy is written as ".vmrtmp00.dm_68.XXXXXX" first; a run that ended while
        // writing it leaves that behind.
        const bool unfinished = name.size() > 8 && name.front() == '.' && name[name.size() - 7] == '.' &&
                                IsTempDemoName(name.substr(1, name.size() - 8));
        if (!entry.isDirectory && (IsTempDemoName(name) || partial || unfinished))
            fs::remove(JoinPath(settings.game.demoDirectory, entry.name), ec);
    }
}

void CleanTempFiles(const PlaybackSettings& settings)
{
    if (IsGameRunning(settings))
        return;
    RemoveTempDemos(settings);
    std::error_code ec;
    fs::remove(JoinPath(settings.game.baseDirectory, kPlayScriptName), ec);
}

} // namespace core
