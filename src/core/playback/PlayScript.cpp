#include "core/playback/PlayScript.h"

#include <array>

#include "core/common/FileWrite.h"
#include "core/library/DemoFiles.h"
#include "core/playback/Mods.h"
#include "core/playback/PlaybackKeys.h"
#include "core/playback/PlaybackSettings.h"
#include "core/playback/RunningGame.h"
#include "core/protocol/ProtocolTable.h"

namespace core {
namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr const char* kPlayListTitle = "set actualplaylist echo ^5VMR ^51.32 ^5(vmrtmp.vmr)";
constexpr size_t kRemarkLimit = 260;

// One speed state: the demo freeze, the time scale, where the five keys lead from here, and the
// label shown on entering it. Layout 'A' writes the slow-motion toggle before the fast-forward
// one, 'B' the other way round, 'C' like 'B' with a blank after four of the semicolons.
struct SpeedState {
    const char* name;
    const char* freeze;
    const char* timescale;
    const char* pause;
    const char* faster;
    const char* slower;
    const char* slowToggle;
    const char* fastToggle;
    const char* label;
    char layout;
};

constexpr std::array<SpeedState, 47> kSpeedStates = {{
    {"ds00", "1", "0.1", "ds10", "ds01", "ds00", "ds04", "ds10", "^4PAUSE", 'A'},
    {"ds01", "0", "0.1", "ds00", "ds02", "ds00", "ds10", "ds10", "SPEED 0.1", 'A'},
    {"ds02", "0", "0.2", "ds00", "ds03", "ds01", "ds10", "ds10", "SPEED 0.2", 'A'},
    {"ds03", "0", "0.3", "ds00", "ds04", "ds02", "ds10", "ds10", "SPEED 0.3", 'A'},
    {"ds04", "0", "0.4", "ds00", "ds05", "ds03", "ds04", "ds10", "^1SLOWMOTION", 'A'},
    {"ds05", "0", "0.5", "ds00", "ds06", "ds04", "ds10", "ds10", "SPEED 0.5", 'A'},
    {"ds06", "0", "0.6", "ds00", "ds07", "ds05", "ds10", "ds10", "SPEED 0.6", 'A'},
    {"ds07", "0", "0.7", "ds00", "ds08", "ds06", "ds10", "ds10", "SPEED 0.7", 'A'},
    {"ds08", "0", "0.8", "ds00", "ds09", "ds07", "ds10", "ds10", "SPEED 0.8", 'A'},
    {"ds09", "0", "0.9", "ds00", "ds10", "ds08", "ds10", "ds10", "SPEED 0.9", 'A'},
    {"ds10", "0", "1.0", "ds00", "ds11", "ds09", "ds04", "ds25", "^2NORMALSPEED", 'A'},
    {"ds11", "0", "1.1", "ds00", "ds12", "ds10", "ds10", "ds10", "SPEED 1.1", 'A'},
    {"ds12", "0", "1.2", "ds00", "ds13", "ds11", "ds10", "ds10", "SPEED 1.2", 'A'},
    {"ds13", "0", "1.3", "ds00", "ds14", "ds12", "ds10", "ds10", "SPEED 1.3", 'A'},
    {"ds14", "0", "1.4", "ds00", "ds15", "ds13", "ds10", "ds10", "SPEED 1.4", 'A'},
    {"ds15", "0", "1.5", "ds00", "ds16", "ds14", "ds10", "ds10", "SPEED 1.5", 'A'},
    {"ds16", "0", "1.6", "ds00", "ds17", "ds15", "ds10", "ds10", "SPEED 1.6", 'A'},
    {"ds17", "0", "1.7", "ds00", "ds18", "ds16", "ds10", "ds10", "SPEED 1.7", 'A'},
    {"ds18", "0", "1.8", "ds00", "ds19", "ds17", "ds10", "ds10", "SPEED 1.8", 'B'},
    {"ds19", "0", "1.9", "ds00", "ds20", "ds18", "ds10", "ds10", "SPEED 1.9", 'B'},
    {"ds20", "0", "2.0", "ds00", "ds21", "ds19", "ds10", "ds10", "SPEED 2.0", 'B'},
    {"ds21", "0", "2.1", "ds00", "ds22", "ds20", "ds10", "ds10", "SPEED 2.1", 'B'},
    {"ds22", "0", "2.2", "ds00", "ds23", "ds21", "ds10", "ds10", "SPEED 2.2", 'B'},
    {"ds23", "0", "2.3", "ds00", "ds24", "ds22", "ds10", "ds10", "SPEED 2.3", 'B'},
    {"ds24", "0", "2.4", "ds00", "ds25", "ds23", "ds10", "ds10", "SPEED 2.4", 'B'},
    {"ds25", "0", "2.5", "ds00", "ds26", "ds24", "ds10", "ds25", "^3FASTFORWARD", 'B'},
    {"ds26", "0", "2.6", "ds00", "ds27", "ds25", "ds10", "ds10", "SPEED 2.6", 'B'},
    {"ds27", "0", "2.7", "ds00", "ds28", "ds26", "ds10", "ds10", "SPEED 2.7", 'B'},
    {"ds28", "0", "2.8", "ds00", "ds29", "ds27", "ds10", "ds10", "SPEED 2.8", 'B'},
    {"ds29", "0", "2.9", "ds00", "ds30", "ds28", "ds10", "ds10", "SPEED 2.9", 'B'},
    {"ds30", "0", "3.0", "ds00", "ds31", "ds29", "ds10", "ds10", "SPEED 3.0", 'B'},
    {"ds31", "0", "3.1", "ds00", "ds32", "ds30", "ds10", "ds10", "SPEED 3.1", 'B'},
    {"ds32", "0", "3.2", "ds00", "ds33", "ds31", "ds10", "ds10", "SPEED 3.2", 'B'},
    {"ds33", "0", "3.3", "ds00", "ds34", "ds32", "ds10", "ds10", "SPEED 3.3", 'B'},
    {"ds34", "0", "3.4", "ds00", "ds35", "ds33", "ds10", "ds10", "SPEED 3.4", 'B'},
    {"ds35", "0", "3.5", "ds00", "ds36", "ds34", "ds10", "ds10", "SPEED 3.5", 'B'},
    {"ds36", "0", "3.6", "ds00", "ds37", "ds35", "ds10", "ds10", "SPEED 3.6", 'B'},
    {"ds37", "0", "3.7", "ds00", "ds38", "ds36", "ds10", "ds10", "SPEED 3.7", 'B'},
    {"ds38", "0", "3.8", "ds00", "ds39", "ds37", "ds10", "ds10", "SPEED 3.8", 'B'},
    {"ds39", "0", "3.9", "ds00", "ds40", "ds38", "ds10", "ds10", "SPEED 3.9", 'B'},
    {"ds40", "0", "4.0", "ds00", "ds50", "ds39", "ds10", "ds10", "SPEED 4.0", 'B'},
    {"ds50", "0", "5.0", "ds00", "ds60", "ds39", "ds10", "ds10", "SPEED 5.0", 'B'},
    {"ds60", "0", "6.0", "ds00", "ds70", "ds39", "ds10", "ds10", "SPEED 6.0", 'B'},
    {"ds70", "0", "7.0", "ds00", "ds80", "ds39", "ds10", "ds10", "SPEED 7.0", 'B'},
    {"ds80", "0", "8.0", "ds00", "ds90", "ds39", "ds10", "ds10", "SPEED 8.0", 'B'},
    {"ds90", "0", "9.0", "ds00", "dsmax", "ds39", "ds_s", "ds10", "SPEED 9.0", 'C'},
    {"dsmax", "0", "100", "ds00", "dsmax", "ds39", "ds_s", "ds10", "^4MAXSPEED", 'C'},
}};

std::string SpeedStateLine(const SpeedState& s)
{
    const std::string spaced = s.layout == 'C' ? "; " : ";";
    const std::string slowToggle = std::string("set d_s_t vstr ") + s.slowToggle;
    const std::string fastToggle = std::string("set d_f_t vstr ") + s.fastToggle;
    std::string body = std::string("cl_freezedemo ") + s.freeze + ";set d_p vstr " + s.pause + ";timescale " +
                       s.timescale + spaced + "set d_f vstr " + s.faster + spaced + "set d_s vstr " + s.slower +
                       spaced + (s.layout == 'A' ? slowToggle : fastToggle) + spaced +
                       (s.layout == 'A' ? fastToggle : slowToggle) + ";vstr actualplaylist;vstr actualdemo;echo " +
                       s.label;
    return std::string("set ") + s.name + " \"" + body + "\"";
}

// Names from the file system and from archives end up inside a quoted console line; a quote, ";"
// or a line break there would end the line early and run the rest as commands of its own.
std::string ConsoleText(std::string_view text)
{
    std::string safe(text);
    for (char& c : safe)
        if (c == '"' || c == ';' || static_cast<unsigned char>(c) < 0x20)
            c = '_';
    return safe;
}

// A remark must stay one line; the member marker (byte 1) is part of it.
std::string RemarkText(std::string_view source)
{
    std::string remark(source.substr(0, kRemarkLimit));
    for (char& c : remark)
        if (c == '\r' || c == '\n')
            c = '_';
    return remark;
}

void AddLine(std::string& script, const std::string& line)
{
    script += line;
    script += kLineEnd;
}

std::string ListDemoLine(size_t k, size_t n, const PreparedEntry& entry, const std::string& next)
{
    const std::string number = std::to_string(k);
    return "set d" + number + " \"demo " + entry.argument + "; set actualdemo echo Demo #^2" + number + "^7 of ^2" +
           std::to_string(n) + "^7: ^3" + ConsoleText(entry.fileName) + "; vstr ds10; set nextdemo vstr " + next + "\"";
}

std::string LastFolderName(const std::string& directory)
{
    return std::string(FileNameOf(directory));
}

std::string ProtocolMismatchText(const DemoInfo& first, const DemoInfo& other)
{
    return "Demo \"" + first[FieldDemoname] + "\" has protocol version " + first[FieldProtocol] + "\r\n" + "Demo \"" +
           other[FieldDemoname] + "\" has protocol version " + other[FieldProtocol] + "\r\n" +
           "Playlist can not be played!";
}

std::string ModMismatchText(const DemoInfo& first, const std::string& firstMod, const DemoInfo& other,
                            const std::string& otherMod)
{
    return "Demo \"" + first[FieldDemoname] + "\" is from MOD '" + LastFolderName(firstMod) + "'" + "\r\n" + "Demo \"" +
           other[FieldDemoname] + "\" is from MOD '" + LastFolderName(otherMod) + "'" + "\r\n" +
           "Playlist can not be played!" + "\r\n\r\n" + "Try do uncheck \"Options/Play Demos as Mod Demos\".";
}

std::string ScriptPath(const PlaybackSettings& settings)
{
    return JoinPath(settings.game.baseDirectory, kPlayScriptName);
}

} // namespace

std::string ScriptPreamble()
{
    std::string preamble;
    AddLine(preamble, "//Velmora Play List, Version 1.32");
    for (const SpeedState& state : kSpeedStates)
        AddLine(preamble, SpeedStateLine(state));
    for (const char* line :
         {"set ds_s \"vstr ds04\"", "set ds_f \"vstr ds25\"", "set d_f \"vstr ds11\"", "set d_s \"vstr ds09\"",
          "set d_s_t \"vstr ds_s\"", "set d_f_t \"vstr ds_f\"", "set d_p \"vstr ds00\""})
        AddLine(preamble, line);
    return preamble;
}

ScriptOptions ScriptOptionsFor(const PlaybackSettings& settings)
{
    return {settings.loopDemos, settings.timeDemos, KeyBindingBlock};
}

std::string SingleDemoScript(const std::string& displayName, const std::string& argument, const ScriptOptions& options)
{
    const std::string demo = argument.empty() ? "vmrtmp00" + LowerExtension(displayName) : argument;
    const std::string name = ConsoleText(displayName);
    std::string script = ScriptPreamble();
    AddLine(script, kPlayListTitle);
    AddLine(script, options.timedemo ? "timedemo 1" : "timedemo 0");
    AddLine(script, "set end quit");
    if (options.loop)
        AddLine(script, "set d1 \"demo " + demo + "; set actualdemo echo Demo ^3" + name +
                            "; vstr ds10; set nextdemo vstr d1\"");
    else
        AddLine(script, "set d1 \"demo " + demo + "; set actualdemo echo Playing demo: ^3" + name +
                            "; vstr ds10; set nextdemo vstr end\"");
    AddLine(script, "vstr d1");
    AddLine(script, options.keyBindingBlock);
    return script;
}

std::string PlayListScript(const std::vector<PreparedEntry>& entries, const ScriptOptions& options)
{
    const size_t n = entries.size();
    std::string script = ScriptPreamble();
    AddLine(script, kPlayListTitle);
    AddLine(script, "//!Do not remove the following remark lines!");
    for (const PreparedEntry& entry : entries)
        AddLine(script, "// " + RemarkText(entry.source));
    AddLine(script, options.timedemo ? "timedemo 1" : "timedemo 0");
    for (size_t k = 1; k < n; ++k)
        AddLine(script, ListDemoLine(k, n, entries[k - 1], "d" + std::to_string(k + 1)));
    if (options.loop) {
        AddLine(script, ListDemoLine(n, n, entries[n - 1], "d1"));
    } else {
        AddLine(script, "set end quit");
        AddLine(script, ListDemoLine(n, n, entries[n - 1], "end"));
    }
    AddLine(script, "vstr d1");
    AddLine(script, options.keyBindingBlock);
    return script;
}

void MakeTmpPlayList(const std::string& displayName, const std::string& argument, const PlaybackSettings& settings,
                     PlayNotices& notices)
{
    const std::string path = ScriptPath(settings);
    if (!ReplaceFileContents(path, SingleDemoScript(displayName, argument, ScriptOptionsFor(settings))))
        // Users know this message text, old routine name and all; it stays as it is.
        notices.push_back({PlayError::ScriptNotSaved, "demoplay.MakeTmpPlayList: " + path});
}

int ProtocolClass(const std::string& protocol)
{
    if (ProtocolColumnBelow(protocol, kProtocolFirst127))
        return 0;
    int number = 0;
    for (const char c : protocol) {
        if (c < '0' || c > '9' || number > 1000)
            return 1;
        number = number * 10 + (c - '0');
    }
    return ProtocolRules(number).coding == MessageCoding::Huffman ? 2 : 1;
}

PlayResult CreatePlaylist(const std::vector<DemoInfo>& rows, const PlaybackSettings& settings, PlayNotices& notices,
                          bool longListConfirmed)
{
    if (rows.empty())
        return PlayFailure{PlayError::NothingToPlay, ""};
    if (rows.size() >= kLongPlayListSize && !longListConfirmed)
        return PlayFailure{PlayError::NeedsConfirmation,
                           "Perhaps there are too many items in playlist. Less than 30 items in playlist should be "
                           "save.\r\nTry to play the list nevertheless ?"};

    // Every check is made before anything is written: a refusal leaves no files behind.
    // Demos the program plays only once converted count with the protocol they are played as.
    const DemoInfo& first = rows.front();
    const std::string firstMod = FindModDir(first[FieldMod], settings);
    const std::string program = ProgramForProtocol(first[FieldProtocol], settings);
    const int firstClass = ProtocolClass(PlayedProtocol(first, program, settings));
    for (const DemoInfo& row : rows) {
        if (ProtocolClass(PlayedProtocol(row, program, settings)) != firstClass) {
            CleanTempFiles(settings);
            return PlayFailure{PlayError::ProtocolMismatch, ProtocolMismatchText(first, row)};
        }
        if (settings.modDemos) {
            const std::string mod = FindModDir(row[FieldMod], settings);
            if (mod != firstMod) {
                CleanTempFiles(settings);
                return PlayFailure{PlayError::ModMismatch, ModMismatchText(first, firstMod, row, mod)};
            }
        }
        // The game would stop at this entry, or play a leftover under its title.
        if (PlayResult playable = CheckPlayable(row, program, settings); !playable)
            return playable;
    }

    RemoveTempDemos(settings);
    std::vector<PreparedEntry> prepared;
    for (size_t i = 0; i < rows.size(); ++i)
        if (std::optional<PreparedEntry> entry =
                PrepareEntry(rows[i], i, settings, notices, ConversionFor(rows[i], program, settings)))
            prepared.push_back(std::move(*entry));

    if (Hooks().menuClickAndStopSounds)
        Hooks().menuClickAndStopSounds();
    if (prepared.empty()) {
        // A script without a demo line would only start an idle game.
        return PlayFailure{PlayError::NothingPrepared, "None of the demos in the play list could be made ready for "
                                                       "playing.\r\nThe game is not started."};
    }
    if (!ReplaceFileContents(ScriptPath(settings), PlayListScript(prepared, ScriptOptionsFor(settings))))
        // Users know this message text, old routine name and all; it stays as it is.
        notices.push_back({PlayError::ScriptNotSaved, "demoplay.CreatePlaylist: could not save vmrtmp.vmr"});
    // A game that could not be started has played nothing: "&& Exit" must keep the list.
    return LaunchGame(PlayedProtocol(first, program, settings), PlayModDirectory(first, settings), settings, notices);
}

const char* TimedemoToolTip(bool on)
{
    return on ? "disable timedemo" : "enable timedemo";
}

const char* LoopToolTip(bool on)
{
    return on ? "disable loop demos" : "enable loop demos";
}

} // namespace core
