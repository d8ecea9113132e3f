#include "gui/lists/MomentsPane.h"

#include <QHeaderView>
#include <QMenu>
#include <QVBoxLayout>

#include "gui/common/CommandIcons.h"
#include "gui/common/PaneActions.h"
#include "gui/lists/ListViews.h"

namespace gui {

MomentsPane::MomentsPane(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("MomentsView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new QTreeView(this);
    m_view = view;
    view->setHeader(new SortHeader(view));
    view->setModel(&m_model);
    // The lists' drawing: a cell too narrow for its text shows it whole as its tool tip.
    auto* delegate = new ListDelegate(view);
    delegate->fullRowSelect = true;
    delegate->highlight = false;
    view->setItemDelegate(delegate);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->setMouseTracking(true);
    QHeaderView* header = view->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false); // until the user sorts: by demo and time
    header->setStretchLastSection(false);
    header->setSectionsMovable(true);
    const QFontMetrics metrics(view->font());
    // Wide enough for a demo name with a date, a long chat line, a map name.
    const int widths[] = {metrics.horizontalAdvance(QStringLiteral("2026-12-24_q3dm17_duel-final.dm_68")) + 16,
                          metrics.horizontalAdvance(QStringLiteral("000:00")) + 28,
                          metrics.horizontalAdvance(QStringLiteral("Player Name of Clan")) + 16,
                          metrics.horizontalAdvance(QStringLiteral("frag of Player Name with Rocket Launcher")) + 16,
                          metrics.horizontalAdvance(QStringLiteral("q3tourney2")) + 28};
    for (int column = 0; column < MomentsModel::ColumnCount; ++column)
        header->resizeSection(column, widths[column]);
    layout->addWidget(view);

    m_playFrom = AddPaneAction(*this, QStringLiteral("Play from here"));
    m_saveClip = AddPaneAction(*this, QStringLiteral("Save clip..."));
    m_saveAll = AddPaneAction(*this, QStringLiteral("Save clips of all results..."));
    m_addToPlayList = AddPaneAction(*this, QStringLiteral("Add to play list"));
    m_playFrom->setIcon(CommandIcon("play-from-here"));
    m_saveClip->setIcon(CommandIcon("clip-save"));
    m_saveAll->setIcon(CommandIcon("clips-save-all"));
    m_addToPlayList->setIcon(CommandIcon("clips-to-playlist"));

    connect(view, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
        if (index.isValid() && m_playFrom->isEnabled())
            m_playFrom->trigger();
    });
    connect(view, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        UpdateCommands();
        QMenu menu(this);
        AddCommands(menu);
        menu.setDefaultAction(m_playFrom);
        menu.exec(m_view->viewport()->mapToGlobal(pos));
    });
    connect(header, &QHeaderView::sectionClicked, this, [this](int column) {
        // Another column sorts ascending; the sort column again reverses the direction.
        SortBy(column, column == m_sortColumn ? !m_sortAscending : true);
    });
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        UpdateCommands();
        ShowSelectionText();
    });
    connect(&m_model, &QAbstractItemModel::modelReset, this, &MomentsPane::UpdateCommands);
    UpdateCommands();
}

void MomentsPane::AddCommands(QMenu& menu) const
{
    menu.addAction(m_playFrom);
    menu.addAction(m_saveClip);
    menu.addAction(m_saveAll);
    menu.addSeparator();
    menu.addAction(m_addToPlayList);
}

void MomentsPane::Show(std::vector<core::Moment> moments, const QString& summary)
{
    m_model.SetMoments(std::move(moments));
    m_sortColumn = -1;
    m_view->header()->setSortIndicatorShown(false);
    SetSummary(summary);
    if (m_model.rowCount() > 0)
        m_view->selectionModel()->setCurrentIndex(m_model.index(0, 0), QItemSelectionModel::NoUpdate);
}

void MomentsPane::SetSummary(const QString& text)
{
    m_summary = text;
    ShowSelectionText();
}

void MomentsPane::SortBy(int column, bool ascending)
{
    if (column < 0 || column >= MomentsModel::ColumnCount)
        return;
    m_sortColumn = column;
    m_sortAscending = ascending;
    m_view->header()->setSortIndicatorShown(true);
    m_view->header()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    m_model.sort(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    if (const std::vector<int> rows = SelectedRows(); !rows.empty())
        m_view->scrollTo(m_model.index(rows.front(), 0));
}

std::vector<int> MomentsPane::SelectedRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : m_view->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void MomentsPane::SelectRows(const std::vector<int>& rows)
{
    QItemSelection selection;
    for (const int row : rows)
        selection.select(m_model.index(row, 0), m_model.index(row, MomentsModel::ColumnCount - 1));
    m_view->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (!rows.empty())
        m_view->selectionModel()->setCurrentIndex(m_model.index(rows.front(), 0), QItemSelectionModel::NoUpdate);
}

void MomentsPane::UpdateCommands()
{
    const size_t selected = SelectedRows().size();
    m_playFrom->setEnabled(selected == 1);
    m_saveClip->setEnabled(selected == 1);
    m_saveAll->setEnabled(m_model.rowCount() > 0);
    m_addToPlayList->setEnabled(selected > 0);
}

void MomentsPane::ShowSelectionText()
{
    const size_t selected = SelectedRows().size();
    emit statusText(selected == 0 ? m_summary : QStringLiteral("%1 moment(s) selected.").arg(selected));
}

} // namespace gui
