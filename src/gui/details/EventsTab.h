#pragma once
// The properties window's "Events" tab: the timeline strip over the match above a table of the
// demo's events that can be narrowed to a kind, a player and a weapon. The events are read on a
// thread of their own, so that a long demo does not hold up the window.
#include <QWidget>

#include <cstdint>
#include <string>
#include <vector>

#include "core/events/DemoEventsLoad.h"
#include "core/events/PlayerFigures.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;
class QThread;

namespace gui {

class EventTimeline;

// Why the events of a demo stop early or are missing, in the user's words; empty for a whole demo.
QString EventsProblemText(const core::DemoEventsResult& result);

class EventsTab : public QWidget {
    Q_OBJECT
public:
    explicit EventsTab(QWidget* parent = nullptr);
    ~EventsTab() override;

    // Starts reading the demo's events; what was shown goes at once. A read still running for an
    // earlier demo finishes unseen.
    void Load(const std::string& name, const std::string& archive);
    // Shows events read elsewhere (and what Load shows once its read is done).
    void Show(core::DemoEventsResult result);
    bool Loading() const { return m_loading; }
    const core::DemoEventsResult& Result() const { return m_result; }
    const std::vector<core::PlayerFigures>& Figures() const { return m_figures; }

    EventTimeline& Timeline() { return *m_timeline; }
    QTableWidget& Table() { return *m_table; }
    QComboBox& KindFilter() { return *m_kind; }
    QComboBox& PlayerFilter() { return *m_player; }
    QComboBox& WeaponFilter() { return *m_weapon; }
    QPushButton& SaveClipButton() { return *m_saveClip; }
    QPushButton& ExportVideoButton() { return *m_exportVideo; }
    QLabel& Status() { return *m_status; }
    // The event of a table row (rows keep the demo's order; filtering only hides them).
    const core::DemoEvent& EventOfRow(int row) const { return m_result.events[static_cast<size_t>(row)]; }
    bool RowShown(int row) const;

signals:
    // The events of the demo are shown (also after a failed read, with what could be read).
    void eventsShown();
    // A double-click on an event or on the timeline: play the demo from that demo time.
    void playFromRequested(qint64 demoTime);
    // "Save clip...": the range chosen on the timeline.
    void saveClipRequested(qint64 from, qint64 to);
    // "Export video...": the range chosen on the timeline, else the moments around the selected
    // event (VideoRangeAround).
    void exportVideoRequested(qint64 from, qint64 to);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Display(core::DemoEventsResult result);
    void FillTable();
    void FillFilters();
    void ApplyFilter();
    void SelectedRowChanged();
    void SelectionChanged();

    core::DemoEventsResult m_result;
    std::vector<core::PlayerFigures> m_figures;
    bool m_loading = false;
    bool m_clipsPossible = false; // the demo's protocol can be cut; the timeline needs a range too
    uint64_t m_generation = 0;
    std::vector<QThread*> m_readers; // running reads; the destructor waits for them
    EventTimeline* m_timeline = nullptr;
    QComboBox* m_kind = nullptr;
    QComboBox* m_player = nullptr;
    QComboBox* m_weapon = nullptr;
    QPushButton* m_saveClip = nullptr;
    QPushButton* m_exportVideo = nullptr;
    QTableWidget* m_table = nullptr;
    QLabel* m_status = nullptr;
};

} // namespace gui
