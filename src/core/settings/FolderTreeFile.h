#pragma once
// The folder tree file ("Folders" in the data folder): the whole tree, written at exit and read at
// start-up, giving back every node's text, font colour, expanded state and children in order.
//
// A text file: the line "Velmora Folders 1", then one line per node in tree order (depth first):
//   <depth> <colour> <expanded 0|1> <length of the text in bytes> <text>
// with single blanks between the fields and LF after the text. The text's length comes first
// because folder names on Linux may hold any byte but "/", line breaks included.
#include <filesystem>
#include <string>
#include <string_view>

#include "core/library/FolderTree.h"

namespace core {

std::string FolderTreeText(const FolderTree& tree);
// Adds the roots of the text after the tree's roots. A text that is not a whole, well-formed tree
// adds nothing and gives false, so that a damaged file never leaves half a tree.
bool ParseFolderTree(std::string_view text, FolderTree& tree);

// False when the file is missing, unreadable or damaged: the tree then stays as it was.
bool LoadFolderTree(FolderTree& tree, const std::filesystem::path& file);
bool SaveFolderTree(const FolderTree& tree, const std::filesystem::path& file);

} // namespace core
