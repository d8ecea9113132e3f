#pragma once
// Where the playback tool dialogs appear.
class QWidget;

namespace gui {

// Centres the window on the screen of its parent (or the primary screen), keeping its size.
void CentreOnScreen(QWidget& window);

} // namespace gui
