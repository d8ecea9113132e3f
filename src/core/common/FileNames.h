#pragma once
// Extensions of file and member names. Names come from the disk ("/") and from archives ("\"):
// both count as separators, so a dot in a folder name is never taken for an extension.
#include <string>
#include <string_view>

namespace core {

// From the last "." of the last path component on, as stored (".JPG" stays ".JPG"); empty
// without one. For the places where the game's own tools compare case-sensitively.
std::string_view ExtensionOf(std::string_view name);

// The same, lower-cased (".dm_48"): how demos, archives and packs are recognised.
std::string LowerExtension(std::string_view name);

} // namespace core
