#pragma once
// The pictures of the folder tree: drives, the game's own folder, and folders with and without
// demos, open and closed. Taken from the desktop's icon theme where it has them; the marks for
// demo folders and the game folder are drawn over them.
#include <QIcon>

#include "platform/DriveKind.h"

namespace gui {

enum class FolderIcon { GameFolder, PlainClosed, PlainOpen, DemosClosed, DemosOpen };

QIcon FolderIconFor(FolderIcon kind);
// No icon for DriveKind::None.
QIcon DriveIcon(platform::DriveKind kind);

} // namespace gui
