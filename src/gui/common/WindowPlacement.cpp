#include "gui/common/WindowPlacement.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QEvent>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace gui {
namespace {

QPointer<QWidget> g_lastActive; // the program's window that was active last

QRect AvailableArea(const QScreen* screen)
{
    return screen ? screen->availableGeometry() : QRect();
}

// The windows the rule is for: not menus, tool tips, the splash or a window that is never shown.
bool IsPlacedWindow(const QWidget& window)
{
    if (!window.isWindow() || window.testAttribute(Qt::WA_DontShowOnScreen))
        return false;
    const Qt::WindowType type = window.windowType();
    return type == Qt::Window || type == Qt::Dialog || type == Qt::Tool;
}

bool Frameless(const QWidget& window)
{
    return window.windowFlags().testFlag(Qt::FramelessWindowHint);
}

// The decorations the window manager has put around the window; none before it has framed it.
QMargins KnownMargins(const QWidget& window)
{
    const QRect outer = window.frameGeometry();
    const QRect inner = window.geometry();
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                    outer.bottom() - inner.bottom());
}

// Before the window manager has framed a window, the frame of the window it belongs to (or of any
// other shown window of the program) is the best guess for its own.
QMargins GuessedMargins(const QWidget& window)
{
    if (Frameless(window))
        return {};
    const QWidget* owner = window.parentWidget() ? window.parentWidget()->window() : nullptr;
    if (owner && owner->isVisible() && !KnownMargins(*owner).isNull())
        return KnownMargins(*owner);
    for (const QWidget* other : QApplication::topLevelWidgets())
        if (other != &window && other->isVisible() && IsPlacedWindow(*other) && !Frameless(*other))
            if (const QMargins margins = KnownMargins(*other); !margins.isNull())
                return margins;
    return {};
}

// Moves and resizes the window whose frame is `frame` so that its frame becomes `placed`. Qt takes
// the position of a window not made yet, and of a framed one, as its frame's; a window that is
// made but not framed yet has its client area put there, so the expected decorations are added.
void MoveFrame(QWidget& window, const QRect& frame, const QRect& placed)
{
    if (placed.size() != frame.size()) // larger than the screen: the client area gives up what the frame cannot
        window.resize(window.size() - (frame.size() - placed.size()));
    if (!window.testAttribute(Qt::WA_WState_Created)) {
        window.move(placed.topLeft());
        return;
    }
    const QMargins known = KnownMargins(window);
    const QMargins margins = known.isNull() ? GuessedMargins(window) : known;
    window.move(placed.topLeft() + QPoint(margins.left() - known.left(), margins.top() - known.top()));
}

// A window that nobody placed: centred over the window it belongs to, or on the cursor's screen.
void CentreOverOwner(QWidget& window)
{
    const QWidget* owner = window.parentWidget() ? window.parentWidget()->window() : nullptr;
    const QRect frame = ExpectedFrame(window);
    QRect wanted = frame;
    QRect area;
    if (owner && owner->isVisible()) {
        const QRect ownerFrame = owner->frameGeometry();
        const QScreen* screen = ScreenHolding(ownerFrame);
        area = AvailableArea(screen ? screen : ScreenAtCursor());
        wanted.moveCenter(ownerFrame.center());
    } else {
        area = AvailableArea(ScreenAtCursor());
        wanted.moveCenter(area.center());
    }
    MoveFrame(window, frame, ClampedToArea(wanted, area));
}

// A window manager shows a dialog's title in its title bar with the program's name after it, in
// a bold face, beside its buttons: a dialog is made wide enough for all of it.
void FitTitle(QWidget& window)
{
    if (!qobject_cast<QDialog*>(&window) || qobject_cast<QMessageBox*>(&window))
        return;
    QString title = window.windowTitle();
    const QString program = QGuiApplication::applicationDisplayName();
    if (!program.isEmpty() && !title.endsWith(program))
        title += QStringLiteral(" \u2014 ") + program;
    QFont font = window.font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    const int needed = metrics.horizontalAdvance(title) + 6 * metrics.height();
    if (window.width() < needed)
        window.resize(std::min(needed, window.maximumWidth()), window.height());
}

} // namespace

QScreen* ScreenAtCursor()
{
    if (QScreen* screen = QGuiApplication::screenAt(QCursor::pos()))
        return screen;
    return QGuiApplication::primaryScreen();
}

QScreen* ScreenHolding(const QRect& frame)
{
    QScreen* best = nullptr;
    qint64 bestShare = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect common = frame.intersected(screen->geometry());
        const qint64 share = common.isEmpty() ? 0 : qint64(common.width()) * common.height();
        if (share > bestShare) {
            bestShare = share;
            best = screen;
        }
    }
    return best;
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

QRect ExpectedFrame(const QWidget& window)
{
    const QMargins known = KnownMargins(window);
    if (!known.isNull() || Frameless(window))
        return window.frameGeometry();
    const QMargins guessed = GuessedMargins(window);
    if (!window.testAttribute(Qt::WA_WState_Created)) // Qt will put the frame where the window is
        return QRect(window.pos(), window.size().grownBy(guessed));
    return window.geometry().marginsAdded(guessed);
}

void PlaceWindow(QWidget& window, const QPoint& topLeft)
{
    const QRect frame = ExpectedFrame(window);
    MoveFrame(window, frame, ClampedToArea(QRect(topLeft, frame.size()), AvailableArea(ScreenAtCursor())));
}

void CentreOnCursorScreen(QWidget& window)
{
    const QRect area = AvailableArea(ScreenAtCursor());
    const QRect frame = ExpectedFrame(window);
    QRect wanted = frame;
    wanted.moveCenter(area.center());
    MoveFrame(window, frame, ClampedToArea(wanted, area));
}

void KeepOnScreen(QWidget& window)
{
    if (window.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized))
        return;
    const QRect frame = ExpectedFrame(window);
    QRect wanted = frame;
    QRect area;
    if (const QScreen* screen = ScreenHolding(frame)) {
        area = AvailableArea(screen);
    } else {
        area = AvailableArea(ScreenAtCursor());
        wanted.moveCenter(area.center());
    }
    const QRect placed = ClampedToArea(wanted, area);
    if (placed != frame)
        MoveFrame(window, frame, placed);
}

void ShowActive(QWidget& window)
{
    window.show();
    window.raise();
    window.activateWindow();
}

QWidget* WindowForBoxes(QWidget* fallback)
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    if (g_lastActive && g_lastActive->isVisible())
        return g_lastActive;
    return fallback;
}

ScreenKeeper::ScreenKeeper(QObject* parent) : QObject(parent)
{
    qApp->installEventFilter(this);
}

ScreenKeeper::~ScreenKeeper()
{
    qApp->removeEventFilter(this);
}

void ScreenKeeper::Shown(QWidget& window)
{
    FitTitle(window);
    // A dialog nobody placed is centred over its owner by Qt once it has its final size (a message
    // box takes it while it shows); it is checked right after.
    if (qobject_cast<QDialog*>(&window) && !window.testAttribute(Qt::WA_Moved))
        KeepLater(window);
    else if (!window.testAttribute(Qt::WA_Moved))
        CentreOverOwner(window);
    else if (!KnownMargins(window).isNull() || Frameless(window))
        KeepOnScreen(window);
    // A window placed before it was made keeps its frame where it was put, but whether the
    // window manager has framed it shows only now: it is checked once it is on the screen.
    std::erase_if(m_awaitingFrame, [](const auto& entry) { return !entry.second; });
    if (const QWindow* handle = window.windowHandle())
        m_awaitingFrame[handle] = &window;
}

void ScreenKeeper::KeepLater(QWidget& window)
{
    QMetaObject::invokeMethod(
        &window,
        [shown = QPointer<QWidget>(&window)] {
            if (shown && shown->isVisible())
                KeepOnScreen(*shown);
        },
        Qt::QueuedConnection);
}

bool ScreenKeeper::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Resize:
    case QEvent::WindowActivate: {
        if (!watched->isWidgetType())
            break;
        auto* window = static_cast<QWidget*>(watched);
        if (!IsPlacedWindow(*window))
            break;
        if (event->type() == QEvent::WindowActivate)
            g_lastActive = window;
        else if (event->type() == QEvent::Show && !event->spontaneous())
            Shown(*window);
        else if (event->type() == QEvent::Resize && !event->spontaneous() && window->isVisible())
            KeepLater(*window); // the program made it larger (a layout, a longer text)
        break;
    }
    case QEvent::Expose: {
        const auto* handle = qobject_cast<const QWindow*>(watched);
        const auto found = handle ? m_awaitingFrame.find(handle) : m_awaitingFrame.end();
        if (found == m_awaitingFrame.end() || !handle->isExposed())
            break;
        const QPointer<QWidget> window = found->second;
        m_awaitingFrame.erase(found);
        if (window && window->isVisible())
            KeepLater(*window);
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace gui
