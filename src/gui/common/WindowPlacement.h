#pragma once
// Where the program puts its windows. One rule holds for every top-level window it shows (main
// window, tool windows, dialogs, message boxes, the help): its frame, title bar included, lies
// inside the available area of the screen that holds most of it, or of the screen under the mouse
// cursor when it lies on none; a window that nobody placed opens centred over the window it
// belongs to. Placing rules such as "bottom edge 20 pixels above the cursor" only choose the
// wish; the rule keeps the result on the screen. Coordinates are Qt's device-independent pixels,
// so the rule holds at every scale.
#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <map>

class QScreen;
class QWidget;
class QWindow;

namespace gui {

// The screen under the mouse cursor; the primary screen when the cursor is on none.
QScreen* ScreenAtCursor();
// The screen that holds the largest part of `frame`; null when it touches none.
QScreen* ScreenHolding(const QRect& frame);

// `frame` moved (and, where it is larger than `area`, shrunk) so that it lies inside `area`.
QRect ClampedToArea(const QRect& frame, const QRect& area);

// The frame the window has, or will have once the window manager has framed it: until then the
// frame of the window it belongs to (or of another shown window of the program) is the best guess.
QRect ExpectedFrame(const QWidget& window);

// Moves the window so that its frame's top left corner is `topLeft`, kept inside the available
// area of the screen that holds the cursor.
void PlaceWindow(QWidget& window, const QPoint& topLeft);
// Centres the window on the available area of the screen that holds the cursor.
void CentreOnCursorScreen(QWidget& window);
// The rule above for one window: moved (and shrunk where it is larger) only as far as needed.
void KeepOnScreen(QWidget& window);

// Shows the window in front and gives it the keyboard, so that its keys (Escape, typing into the
// field that has the focus) reach it rather than the window it was opened from.
void ShowActive(QWidget& window);

// The window a new message box or dialog belongs to, so that it opens above the window the user
// works in (a properties window, a modal dialog) rather than behind it: the active modal dialog,
// else the active window, else the program's window that was active last, else `fallback`.
QWidget* WindowForBoxes(QWidget* fallback);

// Applies the rule to every top-level window of the program when it is shown, once more when the
// window manager has framed it (the title bar's height is known only then), and when the program
// makes a shown window larger. Dialogs get the width their title needs. One per program, made by
// the main window; it watches the whole application while it lives.
class ScreenKeeper : public QObject {
public:
    explicit ScreenKeeper(QObject* parent = nullptr);
    ~ScreenKeeper() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Shown(QWidget& window);
    void KeepLater(QWidget& window);

    std::map<const QWindow*, QPointer<QWidget>> m_awaitingFrame; // shown, not framed yet
};

} // namespace gui
