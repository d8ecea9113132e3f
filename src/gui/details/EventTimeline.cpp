#include "gui/details/EventTimeline.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "gui/common/PaletteColours.h"

namespace gui {

namespace {

using core::EventKind;

// Drags shorter than this are clicks.
constexpr int kDragPixels = 3;

} // namespace

QString EventClock(int64_t demoTime)
{
    const int64_t seconds = demoTime / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

EventTimeline::EventTimeline(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("EventTimeline"));
    setMouseTracking(false);
    setCursor(Qt::CrossCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
}

QColor EventTimeline::Background()
{
    return {40, 40, 52};
}

QColor EventTimeline::LabelColour()
{
    return ReadableOn(QColor(120, 120, 140), Background());
}

void EventTimeline::SetEvents(std::vector<core::DemoEvent> events, int64_t length)
{
    m_events = std::move(events);
    m_shown.assign(m_events.size(), true);
    m_length = std::max<int64_t>(length, 0);
    m_cursor = 0;
    m_zoom = 1.0;
    m_viewStart = 0;
    m_selection.reset();
    m_dragFrom.reset();
    update();
}

void EventTimeline::SetShown(std::vector<bool> shown)
{
    shown.resize(m_events.size(), false);
    m_shown = std::move(shown);
    update();
}

void EventTimeline::SetCursorTime(int64_t time)
{
    m_cursor = std::clamp<int64_t>(time, 0, m_length);
    // Keep the cursor in view when zoomed in.
    if (m_cursor < m_viewStart || m_cursor > m_viewStart + ViewSpan()) {
        m_viewStart = m_cursor - ViewSpan() / 2;
        ClampView();
    }
    update();
}

void EventTimeline::SetSelection(int64_t from, int64_t to)
{
    from = std::clamp<int64_t>(from, 0, m_length);
    to = std::clamp<int64_t>(to, 0, m_length);
    if (from > to)
        std::swap(from, to);
    m_selection = std::make_pair(from, to);
    update();
    emit selectionChanged();
}

void EventTimeline::ClearSelection()
{
    if (!m_selection)
        return;
    m_selection.reset();
    update();
    emit selectionChanged();
}

int64_t EventTimeline::ViewSpan() const
{
    return std::max<int64_t>(1, static_cast<int64_t>(std::llround(static_cast<double>(m_length) / m_zoom)));
}

int EventTimeline::StripWidth() const
{
    return std::max(1, width() - 2 * kMargin);
}

void EventTimeline::ClampView()
{
    m_viewStart = std::clamp<int64_t>(m_viewStart, 0, std::max<int64_t>(0, m_length - ViewSpan()));
}

void EventTimeline::ZoomAt(double factor, int x)
{
    const int64_t anchor = TimeOfX(x);
    m_zoom = std::clamp(m_zoom * factor, 1.0, kMaxZoom);
    // The moment under the mouse stays under it.
    const double share = std::clamp(static_cast<double>(x - kMargin) / StripWidth(), 0.0, 1.0);
    m_viewStart = anchor - static_cast<int64_t>(std::llround(share * static_cast<double>(ViewSpan())));
    ClampView();
    update();
}

int EventTimeline::XOfTime(int64_t time) const
{
    const double share = static_cast<double>(time - m_viewStart) / static_cast<double>(ViewSpan());
    return kMargin + static_cast<int>(std::lround(share * StripWidth()));
}

int64_t EventTimeline::TimeOfX(int x) const
{
    const double share = static_cast<double>(x - kMargin) / StripWidth();
    const int64_t time = m_viewStart + static_cast<int64_t>(std::llround(share * static_cast<double>(ViewSpan())));
    return std::clamp<int64_t>(time, 0, m_length);
}

QColor EventTimeline::PlayerColour(int client, int team)
{
    if (team == core::kTeamRed)
        return QColor(230, 50, 50);
    if (team == core::kTeamBlue)
        return QColor(60, 110, 240);
    if (client < 0)
        return QColor(200, 200, 200);
    // Free players: colours that neither team wears, one per client number.
    static const QColor kFree[] = {QColor(80, 200, 80),   QColor(240, 160, 40), QColor(230, 220, 60),
                                   QColor(60, 210, 210),  QColor(200, 90, 220), QColor(150, 230, 90),
                                   QColor(250, 120, 170), QColor(170, 140, 100)};
    return kFree[static_cast<size_t>(client) % std::size(kFree)];
}

QColor EventTimeline::MarkerColour(const core::DemoEvent& event)
{
    if (event.kind == EventKind::Suicide)
        return PlayerColour(event.other, event.otherTeam);
    // A flag event without a known player takes the colour of the flag.
    if (event.player < 0 && (event.kind == EventKind::FlagTaken || event.kind == EventKind::FlagCaptured ||
                             event.kind == EventKind::FlagReturned))
        return PlayerColour(-1, event.team);
    return PlayerColour(event.player, event.playerTeam);
}

void EventTimeline::DrawMarker(QPainter& painter, const core::DemoEvent& event, int x) const
{
    const int top = 18, bottom = height() - 6;
    const int middle = (top + bottom) / 2;
    QColor colour = MarkerColour(event);
    // The warm-up's moments count for nothing: they stay faint.
    if (event.warmup)
        colour.setAlpha(110);
    painter.setPen(QPen(colour, 1));
    painter.setBrush(colour);
    switch (event.kind) {
    case EventKind::Frag:
        painter.drawLine(x, top + 4, x, bottom);
        painter.drawEllipse(QPoint(x, top + 4), 2, 2);
        break;
    case EventKind::Suicide:
        painter.drawLine(x, middle, x, bottom);
        break;
    case EventKind::FlagTaken:
    case EventKind::FlagCaptured:
    case EventKind::FlagReturned: {
        painter.drawLine(x, top, x, bottom);
        QPainterPath flag;
        flag.moveTo(x, top);
        flag.lineTo(x + 7, top + 3);
        flag.lineTo(x, top + 6);
        flag.closeSubpath();
        if (event.kind == EventKind::FlagCaptured)
            painter.drawPath(flag);
        else
            painter.strokePath(flag, QPen(colour, 1));
        break;
    }
    case EventKind::GameStart:
    case EventKind::GameEnd:
    case EventKind::RoundStart:
    case EventKind::RoundEnd:
        painter.setPen(QPen(QColor(240, 220, 80),
                            event.kind == EventKind::GameStart || event.kind == EventKind::GameEnd ? 2 : 1,
                            Qt::DashLine));
        painter.drawLine(x, 14, x, bottom);
        break;
    case EventKind::Chat:
    case EventKind::TeamChat:
        painter.drawRect(x - 1, bottom - 3, 3, 3);
        break;
    case EventKind::PlayerJoined:
    case EventKind::PlayerLeft:
    case EventKind::TeamChange:
        painter.drawEllipse(QPoint(x, bottom - 8), 2, 2);
        break;
    }
}

void EventTimeline::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Background());
    const int right = kMargin + StripWidth();
    // Minute ticks (or finer when zoomed in) with their times.
    painter.setPen(LabelColour());
    const int64_t span = ViewSpan();
    int64_t step = 60000;
    for (int64_t candidate : {1000, 5000, 10000, 30000, 60000, 300000, 600000})
        if (span / candidate <= 12) {
            step = candidate;
            break;
        }
    for (int64_t t = (m_viewStart / step) * step; t <= m_viewStart + span; t += step) {
        const int x = XOfTime(t);
        if (x < kMargin || x > right)
            continue;
        painter.drawLine(x, 12, x, 16);
        painter.drawText(x + 2, 11, EventClock(t));
    }
    if (m_selection) {
        const int from = std::max(kMargin, XOfTime(m_selection->first));
        const int to = std::min(right, XOfTime(m_selection->second));
        if (to >= from)
            painter.fillRect(QRect(QPoint(from, 16), QPoint(to, height() - 4)), QColor(255, 255, 255, 50));
    }
    for (size_t i = 0; i < m_events.size(); ++i) {
        if (!m_shown[i])
            continue;
        const int x = XOfTime(m_events[i].demoTime);
        if (x >= kMargin && x <= right)
            DrawMarker(painter, m_events[i], x);
    }
    const int cursorX = XOfTime(m_cursor);
    if (cursorX >= kMargin && cursorX <= right) {
        painter.setPen(QPen(Qt::white, 1));
        painter.drawLine(cursorX, 12, cursorX, height());
    }
    if (hasFocus()) {
        painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void EventTimeline::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_length <= 0)
        return;
    const int x = qRound(event->position().x());
    m_dragFrom = TimeOfX(x);
    SetCursorTime(*m_dragFrom);
    emit cursorMoved(m_cursor);
}

void EventTimeline::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragFrom || !(event->buttons() & Qt::LeftButton))
        return;
    const int x = qRound(event->position().x());
    if (std::abs(x - XOfTime(*m_dragFrom)) < kDragPixels)
        return;
    SetSelection(*m_dragFrom, TimeOfX(x));
}

void EventTimeline::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_dragFrom)
        return;
    const int x = qRound(event->position().x());
    if (std::abs(x - XOfTime(*m_dragFrom)) < kDragPixels)
        ClearSelection();
    m_dragFrom.reset();
}

void EventTimeline::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_length <= 0)
        return;
    m_dragFrom.reset();
    const int64_t time = TimeOfX(qRound(event->position().x()));
    SetCursorTime(time);
    emit playFromRequested(time);
}

void EventTimeline::wheelEvent(QWheelEvent* event)
{
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0)
        return;
    ZoomAt(std::pow(2.0, steps), qRound(event->position().x()));
    event->accept();
}

void EventTimeline::keyPressEvent(QKeyEvent* event)
{
    const bool control = event->modifiers() & Qt::ControlModifier;
    std::optional<int64_t> to;
    switch (event->key()) {
    case Qt::Key_Left:
        to = m_cursor - (control ? kBigKeyStep : kKeyStep);
        break;
    case Qt::Key_Right:
        to = m_cursor + (control ? kBigKeyStep : kKeyStep);
        break;
    case Qt::Key_Home:
        to = 0;
        break;
    case Qt::Key_End:
        to = m_length;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (m_length > 0)
            emit playFromRequested(m_cursor);
        return;
    default:
        break;
    }
    // Ctrl+Tab and the like are the window's.
    if (!to || m_length <= 0 ||
        (event->modifiers() & ~(Qt::ShiftModifier | Qt::ControlModifier | Qt::KeypadModifier))) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int64_t from = m_cursor;
    SetCursorTime(*to);
    emit cursorMoved(m_cursor);
    if (!(event->modifiers() & Qt::ShiftModifier)) {
        ClearSelection();
        return;
    }
    // Shift moves the range's end that the cursor is on; the other end stays.
    const int64_t anchor = m_selection && m_selection->first == from    ? m_selection->second
                           : m_selection && m_selection->second == from ? m_selection->first
                                                                        : from;
    if (anchor == m_cursor)
        ClearSelection();
    else
        SetSelection(anchor, m_cursor);
}

void EventTimeline::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void EventTimeline::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

} // namespace gui
