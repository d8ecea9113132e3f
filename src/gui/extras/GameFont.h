#pragma once
// The game-styled font the program ships ("Ferrite Core DX", SIL Open Font License 1.1), used by
// the splash screen, the about box and the tip of the day. It is registered for this program only
// and for the whole run; nothing is installed on the system.
#include <QFont>
#include <QString>

namespace gui {

// Registers the font on first use; the family name, or an empty text if it could not be loaded
// (the windows then fall back to a bold system font).
QString GameFontFamily();
// The game font at the pixel size; a bold default font when the game font is missing.
QFont GameFont(int pixelSize);

} // namespace gui
