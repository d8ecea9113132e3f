#pragma once
// A picture from a pack as the details windows load it.
#include <string>

#include "core/pictures/Picture.h"

namespace gui {

// core::GetPictureFromPak, with a memory or extraction failure shown to the user; a missing or
// undecodable member is passed over quietly, so that the caller tries its next candidate.
bool LoadPackPicture(const std::string& packPath, const std::string& memberName, core::Picture& picture);

} // namespace gui
