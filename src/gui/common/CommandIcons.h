#pragma once
// The pictures of the program's commands: drawn for Velmora as small SVG files on one 24-unit grid
// (resources/commands) and built into the program, so that the command bar and the menus look the
// same on every desktop, with or without an icon theme. Qt's SVG icon engine draws them at each
// size; without it (the plugin is missing) the icons are null and the commands show their texts
// alone.
#include <QColor>
#include <QIcon>

namespace gui {

// The drawing `name` (":/velmora/commands/<name>.svg").
QIcon CommandIcon(const char* name);
// A switch: "<name>-off.svg" for the unchecked state, "<name>-on.svg" for the checked one, which
// is lit and in colour so that a checked button differs from an unchecked one in any style.
QIcon SwitchIcon(const char* name);
// A column chooser's table with its cells in the colour of the list that it belongs to.
QIcon ColumnsIcon(const char* name, const QColor& cells);

} // namespace gui
