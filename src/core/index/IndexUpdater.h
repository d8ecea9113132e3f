#pragma once
// Keeps the library index current: a folder is looked into again only when its listing changed
// (a demo or an archive was added, removed, renamed, or changed size or date), and there only the
// demos whose name, size, date or archive place changed are read; user data is taken again only
// from user data files that changed.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "core/index/LibraryIndex.h"

namespace core {
class FolderTree;

struct IndexProgress {
    size_t foldersDone = 0;
    size_t foldersTotal = 0;
    size_t demosRead = 0;
    std::string folder; // the folder being looked into
};

struct IndexUpdateOptions {
    std::filesystem::path demoDataDirectory; // user data files; empty: none
    bool rebuild = false;                    // start from an empty index
    bool removeOthers = true;                // folders missing from the list leave the index
    std::function<void(const IndexProgress&)> progress;
    // Stops this update (closing the window): checked between folders and demos. A folder whose
    // listing was stopped keeps what the index holds for it.
    std::stop_token stop;
};

struct IndexUpdateResult {
    IndexStatus status = IndexStatus::Ok;
    bool rebuilt = false; // the database was damaged and was built anew
    bool stopped = false;
    size_t foldersChanged = 0;
    size_t demosRead = 0;
    size_t demosAdded = 0;
    size_t demosRemoved = 0;
    size_t userDataChanged = 0;
    size_t foldersUnreadable = 0; // kept as the index had them, looked at again next time
    std::string message;          // for the status bar when something went wrong
};

// A text that changes whenever something the listing of the folder depends on changes: the name,
// size and date of every demo file and archive in it.
std::string FolderSignature(const std::string& folder);

// Every folder of the tree: each node's path, in tree order, each once.
std::vector<std::string> TreeFolders(const FolderTree& tree);
// The folder and all folders below it (names beginning with "." left out).
std::vector<std::string> FolderAndSubfolders(const std::string& folder);

// Brings the index up to the folders. A damaged database is built anew once, with a message.
IndexUpdateResult UpdateLibraryIndex(LibraryIndex& index, const std::vector<std::string>& folders,
                                     const IndexUpdateOptions& options);

inline constexpr std::string_view kIndexRebuiltMessage = "The library index was damaged and has been built anew.";

} // namespace core
