#include "gui/app/WindowPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace gui {
namespace {

QRect AvailableArea(const QScreen* screen)
{
    return screen ? screen->availableGeometry() : QRect();
}

// The frame a window will have once shown. Before its first showing the window manager has not
// told its decorations yet: those of the visible window it belongs to are the best guess, so
// that a title bar does not end up beyond the screen's edge.
QRect ExpectedFrame(const QWidget& window)
{
    const QRect frame = window.frameGeometry();
    if (frame != window.geometry())
        return frame;
    QMargins decorations;
    const QWidget* parent = window.parentWidget() ? window.parentWidget()->window() : nullptr;
    if (parent && parent->isVisible()) {
        const QRect outer = parent->frameGeometry();
        const QRect inner = parent->geometry();
        decorations = QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                               outer.bottom() - inner.bottom());
    }
    // A window's position is that of its frame.
    return QRect(window.pos(), window.size().grownBy(decorations));
}

void MoveFrameTo(QWidget& window, const QRect& wanted, const QRect& area)
{
    const QRect frame = ExpectedFrame(window);
    const QRect placed = ClampedToArea(QRect(wanted.topLeft(), frame.size()), area);
    if (placed.size() != frame.size()) {
        // Larger than the screen: the client area gives up what the frame cannot.
        const QSize decorations = frame.size() - window.size();
        window.resize(placed.size() - decorations);
    }
    window.move(placed.topLeft());
}

} // namespace

QScreen* ScreenAtCursor()
{
    if (QScreen* screen = QGuiApplication::screenAt(QCursor::pos()))
        return screen;
    return QGuiApplication::primaryScreen();
}

QRect ClampedToArea(const QRect& frame, const QRect& area)
{
    if (area.isEmpty())
        return frame;
    QRect placed(frame.topLeft(), frame.size().boundedTo(area.size()));
    placed.moveLeft(std::clamp(placed.left(), area.left(), area.right() - placed.width() + 1));
    placed.moveTop(std::clamp(placed.top(), area.top(), area.bottom() - placed.height() + 1));
    return placed;
}

void PlaceWindow(QWidget& window, const QPoint& topLeft)
{
    MoveFrameTo(window, QRect(topLeft, QSize(1, 1)), AvailableArea(ScreenAtCursor()));
}

void KeepOnCursorScreen(QWidget& window)
{
    MoveFrameTo(window, ExpectedFrame(window), AvailableArea(ScreenAtCursor()));
}

void CentreOnCursorScreen(QWidget& window)
{
    const QRect area = AvailableArea(ScreenAtCursor());
    QRect frame = ExpectedFrame(window);
    frame.moveCenter(area.center());
    MoveFrameTo(window, frame, area);
}

void ShowActive(QWidget& window)
{
    window.show();
    window.raise();
    window.activateWindow();
}

QRect RestoredMainWindowFrame(const QRect& stored)
{
    const QScreen* best = nullptr;
    qint64 bestShare = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect common = stored.intersected(screen->geometry());
        const qint64 share = common.isEmpty() ? 0 : qint64(common.width()) * common.height();
        if (share > bestShare) {
            bestShare = share;
            best = screen;
        }
    }
    if (best)
        return ClampedToArea(stored, AvailableArea(best));
    const QRect area = AvailableArea(ScreenAtCursor());
    QRect centred(QPoint(), stored.size().boundedTo(area.size()));
    centred.moveCenter(area.center());
    return ClampedToArea(centred, area);
}

} // namespace gui
