#pragma once
// The strip over the match on the properties window's "Events" tab: a marker per event at its
// demo time (shape by kind, colour by team or player), a cursor at a demo time, zoom with the
// wheel around the mouse, a range chosen by dragging, and a double-click that asks to play from
// the moment under the mouse. With the keyboard the arrows move the cursor (Shift chooses a range)
// and Enter plays from it.
#include <QWidget>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "core/events/DemoEvent.h"

namespace gui {

// "m:ss" of a demo time, as the strip and the events table show it.
QString EventClock(int64_t demoTime);

class EventTimeline : public QWidget {
    Q_OBJECT
public:
    explicit EventTimeline(QWidget* parent = nullptr);

    // `length`: the demo's length in demo time (milliseconds).
    void SetEvents(std::vector<core::DemoEvent> events, int64_t length);
    // Which events are drawn (the table's filter); indexes into the events given.
    void SetShown(std::vector<bool> shown);
    const std::vector<core::DemoEvent>& Events() const { return m_events; }
    int64_t Length() const { return m_length; }

    void SetCursorTime(int64_t time);
    int64_t CursorTime() const { return m_cursor; }
    // The chosen range, first time below the second; nullopt when none.
    std::optional<std::pair<int64_t, int64_t>> Selection() const { return m_selection; }
    void SetSelection(int64_t from, int64_t to);
    void ClearSelection();

    // Zoom: the part of the demo the strip shows. Factor 1 shows all; each step of the wheel
    // doubles or halves it, kept within 1 to kMaxZoom and within the demo.
    static constexpr double kMaxZoom = 256.0;
    void ZoomAt(double factor, int x);
    double Zoom() const { return m_zoom; }
    int64_t ViewStart() const { return m_viewStart; }
    int64_t ViewSpan() const;

    // Where a demo time lies on the strip and back.
    int XOfTime(int64_t time) const;
    int64_t TimeOfX(int x) const;
    // The colour of an event's marker: its team's, or the player's own when the teams don't tell.
    static QColor MarkerColour(const core::DemoEvent& event);
    static QColor PlayerColour(int client, int team);
    // The strip's background and the colour of its time labels.
    static QColor Background();
    static QColor LabelColour();
    // The arrows' steps: 1 s, with Ctrl 10 s.
    static constexpr int64_t kKeyStep = 1000;
    static constexpr int64_t kBigKeyStep = 10000;

    QSize sizeHint() const override { return {600, 72}; }
    QSize minimumSizeHint() const override { return {200, 56}; }

signals:
    void cursorMoved(qint64 time);
    void selectionChanged();
    void playFromRequested(qint64 time);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    static constexpr int kMargin = 6;
    int StripWidth() const;
    void ClampView();
    void DrawMarker(QPainter& painter, const core::DemoEvent& event, int x) const;

    std::vector<core::DemoEvent> m_events;
    std::vector<bool> m_shown;
    int64_t m_length = 0;
    int64_t m_cursor = 0;
    double m_zoom = 1.0;
    int64_t m_viewStart = 0;
    std::optional<std::pair<int64_t, int64_t>> m_selection;
    std::optional<int64_t> m_dragFrom;
};

} // namespace gui
