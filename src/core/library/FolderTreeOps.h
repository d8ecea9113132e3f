#pragma once
// Operations on the folder tree that need no window: node paths, deciding whether a folder holds
// demos, building branches from the disk, rebuilding a branch and pruning folders without demos.
// A node's font colour is the only record of whether its folder holds demos.
#include <string>

#include "core/library/FolderTree.h"
#include "core/library/LibraryFeedback.h"

namespace core {

// The root's text for a root, otherwise the parent's path, a separator and the node's text.
std::string NodePath(const FolderNode& node);
// NodePath up to its last separator; the node's own text when the path has none.
std::string NodeParentPath(const FolderNode& node);
// NodePath up to and including its first separator; the path and a separator when it has none.
std::string NodeDriveRoot(const FolderNode& node);
FolderNode& RootNodeOf(FolderNode& node);
const FolderNode& RootNodeOf(const FolderNode& node);
// The first node in tree order whose path equals `path` exactly; null when none does.
FolderNode* FindNodeByPath(const FolderTree& tree, const std::string& path);

// True when an entry of the folder has a demo extension, or is an archive with a demo member in
// any of its folders. Entries are judged by their names, so a folder named "x.dm3" counts.
bool FolderHasDemos(const std::string& folder);

// Adds a child node for every sub-folder (names beginning with "." left out), coloured as demo or
// non-demo folder, expanding the ancestors of every demo folder; then descends into it.
void AddSubfolderNodes(FolderTree& tree, const std::string& folder, FolderNode& node, const FolderColours& colours,
                       LibraryFeedback& feedback);
// AddSubfolderNodes with the wait cursor, then sorts the tree and selects the node.
void BuildFolderTree(FolderTree& tree, const std::string& folder, FolderNode& node, const FolderColours& colours,
                     LibraryFeedback& feedback);
// "Rescan this Branch": rebuilds the selected node's root from the disk in its place and selects
// the previously selected folder again, or the new root when that folder is gone.
void RescanBranch(FolderTree& tree, const FolderColours& colours, LibraryFeedback& feedback);
// "Cut non-demo Folders": from the last node back to the node's root, deletes every node without
// children that has the non-demo colour, so that only the paths to demo folders stay.
void CutNonDemoFolders(FolderTree& tree, FolderNode& node, const FolderColours& colours);

} // namespace core
