#include "cli/IndexCommands.h"

#include <unistd.h>

#include <charconv>
#include <cstring>
#include <iostream>
#include <optional>

#include "cli/Json.h"
#include "cli/ScanCommand.h"
#include "core/convert/DemoClip.h"
#include "core/index/IndexUpdater.h"
#include "core/index/LibraryIndex.h"
#include "core/index/Moments.h"
#include "core/library/FileOps.h"
#include "core/library/FolderTree.h"
#include "core/paths/Paths.h"
#include "core/settings/FolderTreeFile.h"
#include "core/settings/Settings.h"

namespace cli {
namespace {

struct IndexOptions {
    bool rebuild = false;
    bool json = false;
    std::optional<int> before, after; // clips' margins in seconds
    std::string dataDirectory;        // the program's data folder: the index, "Folders", the user data
    std::vector<std::string> rest;
};

std::optional<int> Seconds(const std::string& text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || value < 0 || value > 3600)
        return std::nullopt;
    return value;
}

enum class Command { Index, Search, Clips };

bool ReadOptions(const std::vector<std::string>& args, Command command, IndexOptions& options)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (command == Command::Index && arg == "--rebuild")
            options.rebuild = true;
        else if (command == Command::Search && arg == "--json")
            options.json = true;
        else if (command == Command::Clips && (arg == "--before" || arg == "--after") && i + 1 < args.size()) {
            if (!((arg == "--before" ? options.before : options.after) = Seconds(args[++i])))
                return false;
        } else if (arg == "--data-dir" && i + 1 < args.size())
            options.dataDirectory = args[++i];
        else if (arg.starts_with("--"))
            return false;
        else
            options.rest.push_back(arg);
    }
    return true;
}

struct DataPaths {
    std::filesystem::path index, folderTree, demoData;
};

DataPaths PathsOf(const IndexOptions& options)
{
    if (!options.dataDirectory.empty()) {
        const std::filesystem::path folder = options.dataDirectory;
        return {folder / std::string(core::kLibraryIndexName), folder / "Folders", folder / "Demos"};
    }
    const core::ProgramPaths paths = core::CurrentProgramPaths();
    core::CreateDataDirectories(paths);
    return {std::filesystem::path(paths.dataDirectory) / std::string(core::kLibraryIndexName), paths.folderTreeFile,
            paths.demoDataDirectory};
}

void PrintJson(core::LibraryIndex& index, const std::vector<core::DemoInfo>& rows)
{
    const auto& names = core::DemoColumnNames();
    std::string out = "{\n  \"rows\": [";
    for (size_t r = 0; r < rows.size(); ++r) {
        out += r ? ",\n    {" : "\n    {";
        for (int i = 0; i < core::DemoFieldCount; ++i)
            out += (i ? ", " : "") + JsonString(names[static_cast<size_t>(i)]) + ": " + JsonField(rows[r], i);
        std::vector<core::IndexedPlayer> players;
        index.Players(rows[r], players);
        out += ", \"Players\": [";
        for (size_t p = 0; p < players.size(); ++p)
            out += (p ? ", " : "") + std::string("{\"name\": ") + JsonString(players[p].name) +
                   ", \"team\": " + std::to_string(players[p].team) +
                   // This output has always given 0 for a player without a score.
                   ", \"score\": " + std::to_string(players[p].score.value_or(0)) + "}";
        out += "]}";
    }
    out += rows.empty() ? "],\n" : "\n  ],\n";
    out += "  \"count\": " + std::to_string(rows.size()) + "\n}\n";
    std::cout << out;
}

} // namespace

int RunIndex(const std::vector<std::string>& args)
{
    IndexOptions options;
    if (!ReadOptions(args, Command::Index, options)) {
        std::cerr << "usage: velmora-cli index [--rebuild] [--data-dir DIR] [FOLDER...]\n";
        return 2;
    }
    const DataPaths paths = PathsOf(options);
    std::vector<std::string> folders;
    core::IndexUpdateOptions update;
    update.demoDataDirectory = paths.demoData;
    update.rebuild = options.rebuild;
    if (options.rest.empty()) {
        // The folders the program's tree shows; folders that left the tree leave the index.
        core::FolderTree tree;
        core::LoadFolderTree(tree, paths.folderTree);
        folders = core::TreeFolders(tree);
    } else {
        // Folders named here are added with their sub-folders; the others stay as they are.
        update.removeOthers = false;
        for (const std::string& folder : options.rest) {
            if (!std::filesystem::is_directory(folder)) {
                std::cerr << "velmora-cli: not a folder: " << folder << "\n";
                return 1;
            }
            for (std::string& one :
                 core::FolderAndSubfolders(std::filesystem::absolute(folder).lexically_normal().string()))
                folders.push_back(std::move(one));
        }
    }
    core::LibraryIndex index;
    if (index.Open(paths.index) != core::IndexStatus::Ok && !options.rebuild) {
        std::cerr << "velmora-cli: the library index cannot be opened: " << index.LastError() << "\n";
        return 1;
    }
    const core::IndexUpdateResult result = core::UpdateLibraryIndex(index, folders, update);
    if (!result.message.empty())
        std::cerr << result.message << "\n";
    if (result.status != core::IndexStatus::Ok)
        return 1;
    const std::optional<size_t> count = index.DemoCount();
    if (!count) {
        std::cerr << "velmora-cli: the library index cannot be read: " << index.LastError() << "\n";
        return 1;
    }
    if (result.foldersUnreadable)
        std::cerr << result.foldersUnreadable
                  << " folder(s) could not be read; the index keeps what it had for them until they can.\n";
    std::cout << folders.size() << " folder(s), " << result.foldersChanged << " changed, " << result.demosRead
              << " demo(s) read, " << result.demosRemoved << " removed, " << result.userDataChanged
              << " user data file(s) changed; " << *count << " demo(s) in the index\n";
    return 0;
}

namespace {

// The search as typed over several arguments, or the reasons it cannot be read.
std::optional<core::SearchQuery> ReadQuery(const std::vector<std::string>& words)
{
    std::string text;
    for (const std::string& part : words)
        text += (text.empty() ? "" : " ") + part;
    core::SearchQuery query = core::ParseSearchQuery(text);
    if (!query.errors.empty()) {
        for (const std::string& error : query.errors)
            std::cerr << "velmora-cli: " << error << "\n";
        return std::nullopt;
    }
    return query;
}

// Opens the index for a search; a message and false when there is none to search.
bool OpenForSearch(const IndexOptions& options, core::LibraryIndex& index)
{
    const DataPaths paths = PathsOf(options);
    if (!std::filesystem::exists(paths.index)) {
        std::cerr << "velmora-cli: no library index yet; make one with: velmora-cli index\n";
        return false;
    }
    const core::IndexStatus opened = index.Open(paths.index);
    const bool rebuilt = index.TakeRebuilt(), emptied = index.TakeEmptied();
    if (rebuilt || emptied) {
        // Searching an index that was just emptied would only say "0 demo(s) found".
        std::cerr << (emptied ? core::kIndexEmptiedMessage : core::kIndexRebuiltMessage)
                  << " Fill it again with: velmora-cli index\n";
        return false;
    }
    if (opened != core::IndexStatus::Ok) {
        std::cerr << "velmora-cli: the library index cannot be opened: " << index.LastError() << "\n";
        return false;
    }
    return true;
}

std::string Clock(int64_t ms)
{
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld.%03lld", static_cast<long long>(ms / 60000),
                  static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
    return text;
}

// What happened, in a few words: the means of death, the flag's team, what was said.
std::string WhatOf(const core::Moment& moment)
{
    switch (moment.kind) {
    case core::MomentKind::Frag:
    case core::MomentKind::Suicide:
        return std::string(core::DeathCauseName(moment.cause)) +
               (moment.otherPlace && moment.otherPlace->airborne ? " (air)" : "");
    case core::MomentKind::Capture:
        return moment.team >= 0 ? std::string(core::TeamName(moment.team)) + " flag" : std::string();
    case core::MomentKind::Chat:
    case core::MomentKind::TeamChat:
        return moment.text;
    case core::MomentKind::MultiFrag:
    case core::MomentKind::Spree:
        return std::to_string(moment.frags) + " frags to " + Clock(moment.endDemoTime);
    }
    return {};
}

void PrintMomentTable(const std::vector<core::Moment>& moments)
{
    for (const core::Moment& moment : moments)
        std::cout << moment.row[core::FieldDemoname] << '\t' << moment.row[core::FieldLocation] << '\t'
                  << Clock(moment.demoTime) << '\t' << core::MomentKindName(moment.kind) << '\t' << moment.playerName
                  << '\t' << moment.otherName << '\t' << WhatOf(moment) << '\n';
}

std::string JsonPlace(const core::EventPlace& place)
{
    return "[" + std::to_string(place.x) + ", " + std::to_string(place.y) + ", " + std::to_string(place.z) + "]";
}

void PrintMomentJson(const std::vector<core::Moment>& moments, bool more)
{
    std::string out = "{\n  \"moments\": [";
    for (size_t i = 0; i < moments.size(); ++i) {
        const core::Moment& m = moments[i];
        out += i ? ",\n    {" : "\n    {";
        out += "\"demo\": " + JsonField(m.row, core::FieldDemoname) +
               ", \"location\": " + JsonField(m.row, core::FieldLocation) +
               ", \"archive\": " + JsonField(m.row, core::FieldArchiveLocation) +
               ", \"map\": " + JsonField(m.row, core::FieldMap) +
               ", \"kind\": " + JsonString(core::MomentKindName(m.kind)) +
               ", \"demoTime\": " + std::to_string(m.demoTime) + ", \"serverTime\": " + std::to_string(m.serverTime);
        if (m.kind == core::MomentKind::MultiFrag || m.kind == core::MomentKind::Spree)
            out += ", \"endDemoTime\": " + std::to_string(m.endDemoTime) +
                   ", \"endServerTime\": " + std::to_string(m.endServerTime) +
                   ", \"frags\": " + std::to_string(m.frags);
        if (m.player >= 0)
            out += ", \"player\": " + std::to_string(m.player) + ", \"playerName\": " + JsonString(m.playerName);
        if (m.other >= 0)
            out += ", \"victim\": " + std::to_string(m.other) + ", \"victimName\": " + JsonString(m.otherName);
        if (m.kind == core::MomentKind::Frag || m.kind == core::MomentKind::Suicide) {
            out += ", \"cause\": " + JsonString(core::DeathCauseName(m.cause));
            if (m.weapon != core::Weapon::None)
                out += ", \"weapon\": " + JsonString(core::WeaponName(m.weapon));
            if (m.playerPlace)
                out += ", \"place\": " + JsonPlace(*m.playerPlace) +
                       ", \"airborne\": " + (m.playerPlace->airborne ? "true" : "false");
            if (m.otherPlace)
                out += ", \"victimPlace\": " + JsonPlace(*m.otherPlace) +
                       ", \"victimAirborne\": " + (m.otherPlace->airborne ? "true" : "false");
            if (m.teamKill)
                out += ", \"teamKill\": true";
        }
        if (m.team >= 0)
            out += ", \"team\": " + JsonString(core::TeamName(m.team));
        if (!m.text.empty())
            out += ", \"text\": " + JsonString(m.text);
        if (m.warmup)
            out += ", \"warmup\": true";
        out += "}";
    }
    out += moments.empty() ? "],\n" : "\n  ],\n";
    out += "  \"count\": " + std::to_string(moments.size()) + ",\n  \"more\": " + (more ? "true" : "false") + "\n}\n";
    std::cout << out;
}

int ListMoments(core::LibraryIndex& index, const core::SearchQuery& query, bool json)
{
    const core::MomentResult result = core::SearchMoments(index, query);
    if (result.status != core::IndexStatus::Ok) {
        std::cerr << "velmora-cli: " << result.message << "\n";
        return 1;
    }
    if (json)
        PrintMomentJson(result.moments, result.more);
    else
        PrintMomentTable(result.moments);
    std::cerr << result.moments.size() << " moment(s) found\n";
    return 0;
}

} // namespace

int RunSearch(const std::vector<std::string>& args)
{
    IndexOptions options;
    if (!ReadOptions(args, Command::Search, options) || options.rest.empty()) {
        std::cerr << "usage: velmora-cli search [--json] [--data-dir DIR] QUERY\n";
        return 2;
    }
    const std::optional<core::SearchQuery> query = ReadQuery(options.rest);
    if (!query)
        return 2;
    core::LibraryIndex index;
    if (!OpenForSearch(options, index))
        return 1;
    // A search for moments answers with moments, as the window's list does.
    if (core::IsMomentSearch(*query))
        return ListMoments(index, *query, options.json);
    const core::SearchResult result = index.Search(*query);
    if (result.status != core::IndexStatus::Ok) {
        std::cerr << "velmora-cli: " << result.message << "\n";
        return 1;
    }
    if (options.json)
        PrintJson(index, result.rows);
    else
        PrintTable(result.rows);
    std::cerr << result.rows.size() << " demo(s) found\n";
    return 0;
}

int RunMoments(const std::vector<std::string>& args)
{
    IndexOptions options;
    if (!ReadOptions(args, Command::Search, options) || options.rest.empty()) {
        std::cerr << "usage: velmora-cli moments [--json] [--data-dir DIR] QUERY\n";
        return 2;
    }
    const std::optional<core::SearchQuery> query = ReadQuery(options.rest);
    if (!query)
        return 2;
    if (!core::IsMomentSearch(*query)) {
        std::cerr << "velmora-cli: the search names no moment (frag, capture, say:, multi:, spree: ...)\n";
        return 2;
    }
    core::LibraryIndex index;
    if (!OpenForSearch(options, index))
        return 1;
    return ListMoments(index, *query, options.json);
}

int RunClips(const std::vector<std::string>& args)
{
    IndexOptions options;
    if (!ReadOptions(args, Command::Clips, options) || options.rest.size() < 2) {
        std::cerr << "usage: velmora-cli clips [--before S] [--after S] [--data-dir DIR] QUERY OUTDIR\n";
        return 2;
    }
    const std::filesystem::path folder = options.rest.back();
    options.rest.pop_back();
    const std::optional<core::SearchQuery> query = ReadQuery(options.rest);
    if (!query)
        return 2;
    if (!core::IsMomentSearch(*query)) {
        std::cerr << "velmora-cli: the search names no moment (frag, capture, say:, multi:, spree: ...)\n";
        return 2;
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error)) {
        std::cerr << "velmora-cli: not a folder: " << folder.string() << "\n";
        return 1;
    }
    core::LibraryIndex index;
    if (!OpenForSearch(options, index))
        return 1;
    const core::MomentResult result = core::SearchMoments(index, *query);
    if (result.status != core::IndexStatus::Ok) {
        std::cerr << "velmora-cli: " << result.message << "\n";
        return 1;
    }
    // The margins and the game data old demos are converted for, as the program's settings say.
    const core::Environment environment = core::CurrentEnvironment();
    core::Settings = core::ReadConfiguration(core::CurrentProgramPaths().configurationFile,
                                             core::BuiltInGameDirectory(core::GameDirectoryCandidates(environment)));
    const int64_t before = int64_t{std::max(0, options.before.value_or(core::Settings.clip_before))} * 1000;
    const int64_t after = int64_t{std::max(0, options.after.value_or(core::Settings.clip_after))} * 1000;
    const core::TargetGameData game = core::ConversionGameDataFor(core::Settings);
    // Each clip is written in a folder of its own first and then moved beside the others without
    // replacing any: a clip already there is kept as it is.
    const std::filesystem::path staging = folder / (".velmora-clips-" + std::to_string(::getpid()));
    size_t written = 0, kept = 0, failed = 0;
    for (size_t i = 0; i < result.moments.size(); ++i) {
        const core::Moment& moment = result.moments[i];
        const int64_t from = std::max<int64_t>(0, moment.demoTime - before);
        const int64_t to = moment.endDemoTime + after;
        std::cerr << "[" << (i + 1) << "/" << result.moments.size() << "] " << moment.row[core::FieldDemoname] << " "
                  << Clock(from) << "-" << Clock(to) << ": ";
        std::filesystem::path made;
        const core::ClipResult clip = core::SaveClip(moment.loadName, moment.archive, from, to, game, staging, made);
        if (!clip.ok) {
            std::cerr << clip.problem << "\n";
            ++failed;
            continue;
        }
        const std::filesystem::path target = folder / made.filename();
        const core::MoveOutcome moved = core::MoveDemoFile(made.string(), target.string());
        if (moved.status == core::MoveStatus::TargetExists) {
            std::cerr << target.filename().string() << " is there already; left as it is\n";
            std::filesystem::remove(made, error);
            ++kept;
        } else if (moved.status != core::MoveStatus::Moved) {
            std::cerr << "could not save " << target.string() << ": " << std::strerror(moved.error) << "\n";
            std::filesystem::remove(made, error);
            ++failed;
        } else {
            std::cerr << target.filename().string()
                      << (clip.brokeOff.empty() ? "" : " (ends early: " + clip.brokeOff + ")") << "\n";
            std::cout << target.string() << "\n";
            ++written;
        }
    }
    std::filesystem::remove(staging, error);
    std::cerr << written << " clip(s) written, " << kept << " already there, " << failed << " failed\n";
    return failed ? 1 : 0;
}

} // namespace cli
