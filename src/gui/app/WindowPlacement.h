#pragma once
// Where the program puts its windows. Every window it places lands on the screen that holds the
// mouse cursor and stays inside that screen's available area, whatever the placing rule asks
// for: a rule such as "bottom edge 20 pixels above the cursor" would otherwise put a window
// above the top of the screen when the cursor is near it.
#include <QPoint>
#include <QRect>

class QScreen;
class QWidget;

namespace gui {

// The screen under the mouse cursor; the primary screen when the cursor is on none.
QScreen* ScreenAtCursor();

// `frame` moved (and, where it is larger than `area`, shrunk) so that it lies inside `area`.
QRect ClampedToArea(const QRect& frame, const QRect& area);

// Moves the window so that its frame's top left corner is `topLeft`, kept inside the available
// area of the screen that holds the cursor.
void PlaceWindow(QWidget& window, const QPoint& topLeft);
// Keeps the window where it is, moved only as far as needed into the available area of the
// screen that holds the cursor.
void KeepOnCursorScreen(QWidget& window);
// Centres the window on the available area of the screen that holds the cursor.
void CentreOnCursorScreen(QWidget& window);

// Shows the window in front and gives it the keyboard, so that its keys (Escape, typing into the
// field that has the focus) reach it rather than the window it was opened from.
void ShowActive(QWidget& window);

// The main window's stored place: `stored` kept on the screen that holds most of it and inside
// that screen's available area; a place on no screen at all is centred on the cursor's screen.
QRect RestoredMainWindowFrame(const QRect& stored);

} // namespace gui
