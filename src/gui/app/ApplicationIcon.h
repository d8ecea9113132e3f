#pragma once
// The program's own icon (the one installed into the icon theme), for every window.
#include <QIcon>

namespace gui {

// The icon in all its drawn sizes, from the program's resources: a machine without the installed
// icon theme (a portable copy) shows it too.
QIcon ApplicationIcon();

} // namespace gui
