#include "gui/details/EventsTab.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

#include <map>
#include <set>

#include "core/convert/DemoClip.h"
#include "core/row/DemoInfo.h"
#include "core/video/VideoChoices.h"
#include "gui/common/PaletteColours.h"
#include "gui/details/ColouredText.h"
#include "gui/details/EventTimeline.h"

namespace gui {

namespace {

enum Column { TimeColumn, KindColumn, PlayerColumn, OtherColumn, WeaponColumn, DetailColumn, ColumnCount };

// Filter entries carry what they select; "All" carries nothing.
constexpr int kAll = -1000;

QString Plain(const std::string& name)
{
    return Latin1(core::StripColourCodes(name));
}

QString DetailOf(const core::DemoEvent& e)
{
    using core::EventKind;
    switch (e.kind) {
    case EventKind::Frag:
    case EventKind::Suicide: {
        // Only what the Event and Weapon columns do not say already.
        QString text;
        const bool splash = e.cause == core::DeathCause::GrenadeSplash || e.cause == core::DeathCause::RocketSplash ||
                            e.cause == core::DeathCause::PlasmaSplash || e.cause == core::DeathCause::BfgSplash;
        if (e.weapon != core::Weapon::None && core::WeaponOfCause(e.cause) == e.weapon)
            text = splash ? QStringLiteral("splash") : QString();
        else if (core::DeathCauseName(e.cause) != core::EventKindName(e.kind))
            text = Latin1(core::DeathCauseName(e.cause));
        if (e.teamKill)
            text += text.isEmpty() ? QStringLiteral("team mate") : QStringLiteral(" (team mate)");
        return text;
    }
    case EventKind::FlagTaken:
    case EventKind::FlagCaptured:
    case EventKind::FlagReturned:
        return e.team == core::kTeamFree ? QStringLiteral("the flag")
                                         : QStringLiteral("%1 flag").arg(Latin1(core::TeamName(e.team)));
    case EventKind::RoundStart:
    case EventKind::RoundEnd:
        return e.text.empty() ? QString() : QStringLiteral("round %1").arg(Latin1(e.text));
    case EventKind::TeamChange:
    case EventKind::PlayerJoined:
        return Latin1(core::TeamName(e.team));
    case EventKind::Chat:
    case EventKind::TeamChat:
        return Plain(e.text);
    default:
        return {};
    }
}

} // namespace

QString EventsProblemText(const core::DemoEventsResult& result)
{
    if (result.problem.empty())
        return {};
    if (!result.found)
        return QStringLiteral("The demo could not be read: it is gone, or its archive is damaged.");
    if (result.error == core::DecodeError::UnknownProtocol)
        return QStringLiteral("Velmora cannot read the events of this kind of demo.");
    const bool none = result.messages == 0;
    if (result.error == core::DecodeError::CutOff)
        return none ? QStringLiteral("The recording breaks off before its first message: it holds no events.")
                    : QStringLiteral("The recording breaks off at %1: the events end there.")
                          .arg(EventClock(result.length));
    return none ? QStringLiteral("The demo is damaged at its start, or Velmora does not know its form: no events "
                                 "could be read.")
                : QStringLiteral("The demo is damaged after %1, or Velmora does not know its form from there: the "
                                 "events end there.")
                      .arg(EventClock(result.length));
}

EventsTab::EventsTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("EventsTab"));
    m_timeline = new EventTimeline(this);
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("KindFilter"));
    m_player = new QComboBox(this);
    m_player->setObjectName(QStringLiteral("PlayerFilter"));
    m_weapon = new QComboBox(this);
    m_weapon->setObjectName(QStringLiteral("WeaponFilter"));
    m_saveClip = new QPushButton(QStringLiteral("Save clip..."), this);
    m_saveClip->setEnabled(false);
    m_exportVideo = new QPushButton(QStringLiteral("Export video..."), this);
    m_exportVideo->setEnabled(false);
    m_status = new QLabel(this);
    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setObjectName(QStringLiteral("EventsTable"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Time"), QStringLiteral("Event"), QStringLiteral("Player"),
                                        QStringLiteral("Victim"), QStringLiteral("Weapon"), QStringLiteral("Detail")});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    // Rows as compact as the lists' rows, so that a long match shows many events at once.
    m_table->verticalHeader()->setMinimumSectionSize(1);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->horizontalHeader()->setStretchLastSection(true);
    // Tab moves on to the buttons and the filters; the arrows walk the events.
    m_table->setTabKeyNavigation(false);
    m_table->installEventFilter(this);

    auto* filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("Show:"), this));
    filters->addWidget(m_kind);
    filters->addWidget(m_player);
    filters->addWidget(m_weapon);
    filters->addStretch(1);
    filters->addWidget(m_saveClip);
    filters->addWidget(m_exportVideo);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_timeline);
    layout->addLayout(filters);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_status);

    for (QComboBox* box : {m_kind, m_player, m_weapon})
        connect(box, &QComboBox::currentIndexChanged, this, [this] { ApplyFilter(); });
    connect(m_table, &QTableWidget::itemSelectionChanged, this, [this] { SelectedRowChanged(); });
    connect(m_table, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { emit playFromRequested(EventOfRow(row).demoTime); });
    connect(m_timeline, &EventTimeline::playFromRequested, this, &EventsTab::playFromRequested);
    connect(m_timeline, &EventTimeline::selectionChanged, this, [this] { SelectionChanged(); });
    connect(m_saveClip, &QPushButton::clicked, this, [this] {
        if (const auto range = m_timeline->Selection())
            emit saveClipRequested(range->first, range->second);
    });
    connect(m_exportVideo, &QPushButton::clicked, this, [this] {
        if (const auto range = m_timeline->Selection()) {
            emit exportVideoRequested(range->first, range->second);
        } else if (const QList<QTableWidgetItem*> items = m_table->selectedItems(); !items.isEmpty()) {
            const auto [from, to] = core::VideoRangeAround(EventOfRow(items.front()->row()).demoTime, m_result.length);
            emit exportVideoRequested(from, to);
        }
    });
}

EventsTab::~EventsTab()
{
    // A read still running holds on to nothing of the tab but its queued result, which is
    // dropped with the tab; it is waited for so that no thread outlives the window.
    for (QThread* reader : m_readers) {
        reader->wait();
        delete reader;
    }
}

void EventsTab::Load(const std::string& name, const std::string& archive)
{
    const uint64_t generation = ++m_generation;
    Display(core::DemoEventsResult{});
    m_loading = true;
    m_status->setText(QStringLiteral("Reading the events..."));
    QThread* reader = QThread::create([this, generation, name, archive] {
        core::DemoEventsResult result = core::LoadDemoEvents(name, archive);
        QMetaObject::invokeMethod(
            this,
            [this, generation, result = std::move(result)]() mutable {
                if (generation == m_generation)
                    Show(std::move(result));
            },
            Qt::QueuedConnection);
    });
    m_readers.push_back(reader);
    connect(reader, &QThread::finished, this, [this, reader] {
        std::erase(m_readers, reader);
        reader->deleteLater();
    });
    reader->start();
}

void EventsTab::Show(core::DemoEventsResult result)
{
    Display(std::move(result));
    emit eventsShown();
}

void EventsTab::Display(core::DemoEventsResult result)
{
    m_loading = false;
    m_result = std::move(result);
    m_figures = core::PlayerFiguresOf(m_result.events);
    m_clipsPossible = core::CanClipProtocol(m_result.protocol);
    m_timeline->SetEvents(m_result.events, m_result.length);
    FillFilters();
    FillTable();
    ApplyFilter();
    SelectionChanged();
    QString status = QStringLiteral("%1 events over %2").arg(m_result.events.size()).arg(EventClock(m_result.length));
    const QString problem = EventsProblemText(m_result);
    if (!problem.isEmpty())
        status += QStringLiteral(". ") + problem;
    m_status->setText(status);
    // The reader's own words stay at hand for a fault report.
    m_status->setToolTip(m_result.problem.empty() ? QString() : Latin1(m_result.problem));
}

void EventsTab::FillFilters()
{
    for (QComboBox* box : {m_kind, m_player, m_weapon})
        box->blockSignals(true);
    m_kind->clear();
    m_kind->addItem(QStringLiteral("All events"), kAll);
    std::set<int> kinds, weapons;
    std::map<int, std::string> players;
    for (const core::DemoEvent& e : m_result.events) {
        kinds.insert(static_cast<int>(e.kind));
        if (e.weapon != core::Weapon::None)
            weapons.insert(static_cast<int>(e.weapon));
        if (e.player >= 0)
            players[e.player] = e.playerName;
        if (e.other >= 0)
            players[e.other] = e.otherName;
    }
    for (int kind : kinds)
        m_kind->addItem(Latin1(core::EventKindName(static_cast<core::EventKind>(kind))), kind);
    m_player->clear();
    m_player->addItem(QStringLiteral("All players"), kAll);
    for (const auto& [client, name] : players)
        m_player->addItem(Plain(name), client);
    m_weapon->clear();
    m_weapon->addItem(QStringLiteral("All weapons"), kAll);
    for (int weapon : weapons)
        m_weapon->addItem(Latin1(core::WeaponName(static_cast<core::Weapon>(weapon))), weapon);
    for (QComboBox* box : {m_kind, m_player, m_weapon})
        box->blockSignals(false);
}

void EventsTab::FillTable()
{
    m_table->setRowCount(0);
    m_table->setRowCount(static_cast<int>(m_result.events.size()));
    // The team and player colours of the timeline, kept readable on the table's own background.
    const QColor base = m_table->palette().color(QPalette::Base);
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const core::DemoEvent& e = EventOfRow(row);
        const QString texts[ColumnCount] = {
            EventClock(e.demoTime), Latin1(core::EventKindName(e.kind)), Plain(e.playerName),
            Plain(e.otherName),     Latin1(core::WeaponName(e.weapon)),  DetailOf(e),
        };
        for (int column = 0; column < ColumnCount; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            if (column == PlayerColumn && !e.playerName.empty())
                item->setForeground(ReadableOn(EventTimeline::MarkerColour(e), base));
            if (column == OtherColumn && e.other >= 0)
                item->setForeground(ReadableOn(EventTimeline::PlayerColour(e.other, e.otherTeam), base));
            m_table->setItem(row, column, item);
        }
    }
    m_table->resizeColumnsToContents();
}

bool EventsTab::RowShown(int row) const
{
    const core::DemoEvent& e = EventOfRow(row);
    const int kind = m_kind->currentData().toInt();
    const int player = m_player->currentData().toInt();
    const int weapon = m_weapon->currentData().toInt();
    if (kind != kAll && kind != static_cast<int>(e.kind))
        return false;
    if (player != kAll && player != e.player && player != e.other)
        return false;
    if (weapon != kAll && weapon != static_cast<int>(e.weapon))
        return false;
    return true;
}

void EventsTab::ApplyFilter()
{
    std::vector<bool> shown(m_result.events.size());
    for (int row = 0; row < m_table->rowCount(); ++row) {
        shown[static_cast<size_t>(row)] = RowShown(row);
        m_table->setRowHidden(row, !shown[static_cast<size_t>(row)]);
    }
    m_timeline->SetShown(std::move(shown));
}

void EventsTab::SelectedRowChanged()
{
    const QList<QTableWidgetItem*> items = m_table->selectedItems();
    if (!items.isEmpty())
        m_timeline->SetCursorTime(EventOfRow(items.front()->row()).demoTime);
    SelectionChanged();
}

bool EventsTab::eventFilter(QObject* watched, QEvent* event)
{
    // Enter on an event plays from it, as a double-click does.
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const int row = m_table->currentRow();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && row >= 0 && !m_table->isRowHidden(row)) {
            emit playFromRequested(EventOfRow(row).demoTime);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void EventsTab::SelectionChanged()
{
    m_saveClip->setEnabled(m_clipsPossible && m_timeline->Selection().has_value());
    m_exportVideo->setEnabled(m_clipsPossible &&
                              (m_timeline->Selection().has_value() || !m_table->selectedItems().isEmpty()));
}

} // namespace gui
