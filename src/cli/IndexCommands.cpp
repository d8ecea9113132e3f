#include "cli/IndexCommands.h"

#include <iostream>

#include "cli/Json.h"
#include "cli/ScanCommand.h"
#include "core/index/IndexUpdater.h"
#include "core/index/LibraryIndex.h"
#include "core/library/FolderTree.h"
#include "core/paths/Paths.h"
#include "core/settings/FolderTreeFile.h"

namespace cli {
namespace {

struct IndexOptions {
    bool rebuild = false;
    bool json = false;
    std::string dataDirectory; // the program's data folder: the index, "Folders", the user data
    std::vector<std::string> rest;
};

bool ReadOptions(const std::vector<std::string>& args, bool searching, IndexOptions& options)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!searching && arg == "--rebuild")
            options.rebuild = true;
        else if (searching && arg == "--json")
            options.json = true;
        else if (arg == "--data-dir" && i + 1 < args.size())
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
    if (!ReadOptions(args, false, options)) {
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

int RunSearch(const std::vector<std::string>& args)
{
    IndexOptions options;
    if (!ReadOptions(args, true, options) || options.rest.empty()) {
        std::cerr << "usage: velmora-cli search [--json] [--data-dir DIR] QUERY\n";
        return 2;
    }
    std::string text;
    for (const std::string& part : options.rest)
        text += (text.empty() ? "" : " ") + part;
    const core::SearchQuery query = core::ParseSearchQuery(text);
    if (!query.errors.empty()) {
        for (const std::string& error : query.errors)
            std::cerr << "velmora-cli: " << error << "\n";
        return 2;
    }
    const DataPaths paths = PathsOf(options);
    if (!std::filesystem::exists(paths.index)) {
        std::cerr << "velmora-cli: no library index yet; make one with: velmora-cli index\n";
        return 1;
    }
    core::LibraryIndex index;
    const core::IndexStatus opened = index.Open(paths.index);
    const bool rebuilt = index.TakeRebuilt(), emptied = index.TakeEmptied();
    if (rebuilt || emptied) {
        // Searching an index that was just emptied would only say "0 demo(s) found".
        std::cerr << (emptied ? core::kIndexEmptiedMessage : core::kIndexRebuiltMessage)
                  << " Fill it again with: velmora-cli index\n";
        return 1;
    }
    if (opened != core::IndexStatus::Ok) {
        std::cerr << "velmora-cli: the library index cannot be opened: " << index.LastError() << "\n";
        return 1;
    }
    const core::SearchResult result = index.Search(query);
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

} // namespace cli
