#include "gui/lists/ListPane.h"

#include <QColorDialog>
#include <QDrag>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

#include "gui/common/CommandIcons.h"
#include "gui/common/PaneActions.h"
#include "gui/lists/ListIcons.h"

namespace gui {
namespace {

bool IsPermutation(const std::array<int, core::DemoFieldCount>& order)
{
    std::array<bool, core::DemoFieldCount> seen{};
    for (const int column : order) {
        if (column < 0 || column >= core::DemoFieldCount || seen[static_cast<size_t>(column)])
            return false;
        seen[static_cast<size_t>(column)] = true;
    }
    return true;
}

uint64_t KilobytesOf(const std::string& sizeText)
{
    // "1523 KB": the number before the unit.
    if (sizeText.size() <= 3)
        return 0;
    uint64_t value = 0;
    for (size_t i = 0; i + 3 < sizeText.size(); ++i) {
        const char c = sizeText[i];
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
}

} // namespace

QString SizeText(uint64_t bytes)
{
    return QString::fromLatin1(core::FormatSize(bytes, 2));
}

QString SelectionText(const RowTotals& totals)
{
    const auto seconds = static_cast<uint32_t>(std::min<uint64_t>(totals.seconds, UINT32_MAX));
    return QString::number(totals.count) + QStringLiteral(" item(s) selected. ") + SizeText(totals.kilobytes * 1024) +
           QStringLiteral(". Playtime: ") + QString::fromLatin1(core::FormatSeconds(seconds)) + QStringLiteral(".");
}

core::ColumnScheme BuiltInColumns(const core::ListViewSettings& list)
{
    core::ColumnScheme layout;
    layout.widths = list.ColumnWidth;
    layout.order = list.ColumnOrder;
    return layout;
}

ListPane::ListPane(const QString& listName, const core::ColumnScheme& builtIn, QWidget* parent)
    : QWidget(parent), m_model(listName), m_builtInColumns(builtIn)
{
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_stack = new QStackedWidget(this);
    m_layout->addWidget(m_stack);
    m_details = new DetailsView(m_stack);
    m_icons = new IconsView(m_stack);
    m_stack->addWidget(m_details);
    m_stack->addWidget(m_icons);
    m_details->setModel(&m_model);
    m_icons->setModel(&m_model);
    m_icons->setModelColumn(core::FieldDemoname);
    m_selection = m_details->selectionModel();
    QItemSelectionModel* unused = m_icons->selectionModel();
    m_icons->setSelectionModel(m_selection);
    delete unused;
    m_icons->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_delegate = new ListDelegate(this);
    m_details->setItemDelegate(m_delegate);
    m_icons->setItemDelegate(m_delegate);

    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_details), static_cast<QAbstractItemView*>(m_icons)}) {
        view->viewport()->installEventFilter(this);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint& pos) { ContextMenuAt(view->viewport()->mapToGlobal(pos)); });
        connect(view, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
            if (index.isValid())
                Activated(index.row());
        });
    }
    m_details->onStartDrag = [this](Qt::DropActions) { StartDrag(); };
    m_icons->onStartDrag = [this](Qt::DropActions) { StartDrag(); };

    connect(m_details->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        // Another column sorts ascending; the sort column again reverses the direction.
        SortBy(column, column == m_sortColumn ? !m_sortAscending : true);
    });
    connect(m_selection, &QItemSelectionModel::selectionChanged, this, &ListPane::selectionChangedByUser);
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(&m_model, signal, this, &ListPane::rowsChanged);
    connect(&m_model, &QAbstractItemModel::modelReset, this, &ListPane::rowsChanged);
    connect(&m_model, &QAbstractItemModel::rowsMoved, this, &ListPane::rowsChanged);
    // Rows that come, go or move may leave the list unsorted.
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(&m_model, signal, this, [this] { m_sortedColumn = -1; });
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] { m_sortedColumn = -1; });
    connect(&m_model, &QAbstractItemModel::rowsMoved, this, [this] { m_sortedColumn = -1; });
    connect(&m_model, &QAbstractItemModel::dataChanged, this, [this] { m_sortedColumn = -1; });

    m_background = new QAction(QStringLiteral("Set Background Color.."), this);
    connect(m_background, &QAction::triggered, this, &ListPane::ChooseBackground);
    // The column chooser and the column schemes belong to their own dialog; it connects these.
    m_chooseColumns = new QAction(QStringLiteral("Choose Columns.."), this);
    m_saveScheme = new QAction(QStringLiteral("Save Columns Scheme"), this);
    m_loadScheme = new QAction(QStringLiteral("Load Columns Scheme"), this);
    m_grid = new QAction(QStringLiteral("Grid Lines"), this);
    m_grid->setCheckable(true);
    connect(m_grid, &QAction::toggled, this, &ListPane::SetGridLines);
    m_fullRow = new QAction(QStringLiteral("Full Row Select"), this);
    m_fullRow->setCheckable(true);
    connect(m_fullRow, &QAction::toggled, this, &ListPane::SetFullRowSelect);
    m_highlight = new QAction(QStringLiteral("Highlight Items"), this);
    m_highlight->setCheckable(true);
    connect(m_highlight, &QAction::toggled, this, &ListPane::SetHighlight);
    m_styleGroup = new QActionGroup(this);
    const char* styleNames[] = {"Big Icons", "Small Icons", "List", "Details"};
    for (int style = 0; style < 4; ++style) {
        QAction* action = m_styleGroup->addAction(QString::fromLatin1(styleNames[style]));
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, style] { SetViewStyle(style); });
        m_styles[static_cast<size_t>(style)] = action;
    }
    m_selectAll = AddKeyedAction(QStringLiteral("Select all"), QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(m_selectAll, &QAction::triggered, this, &ListPane::SelectAllRows);
    m_refresh = AddKeyedAction(QStringLiteral("Refresh List"), QKeySequence(Qt::Key_F5));
    m_background->setIcon(CommandIcon("background-colour"));
    m_saveScheme->setIcon(CommandIcon("columns-scheme-save"));
    m_loadScheme->setIcon(CommandIcon("columns-scheme-load"));
    m_selectAll->setIcon(CommandIcon("select-all"));
    m_refresh->setIcon(CommandIcon("refresh"));

    ApplyColumns(DefaultColumns());
    ApplyOptions({});
}

QAction* ListPane::AddKeyedAction(const QString& text, const QKeySequence& key)
{
    return AddPaneAction(*this, text, key);
}

QAbstractItemView& ListPane::CurrentView() const
{
    if (m_viewStyle == Details)
        return *m_details;
    return *m_icons;
}

void ListPane::ApplyOptions(const ListOptions& options)
{
    SetBackground(options.colour.isValid() ? options.colour : palette().color(QPalette::Base));
    SetViewStyle(options.viewStyle);
    m_grid->setChecked(options.gridLines);
    SetGridLines(options.gridLines);
    m_fullRow->setChecked(options.fullRowSelect);
    SetFullRowSelect(options.fullRowSelect);
    m_highlight->setChecked(options.highlight);
    SetHighlight(options.highlight);
    m_sortColumn = std::clamp(options.sortColumn, 0, core::DemoFieldCount - 1);
    m_sortAscending = options.sortAscending;
    m_details->header()->setSortIndicator(m_sortColumn, m_sortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

ListOptions ListPane::Options() const
{
    ListOptions options;
    options.colour = m_colour;
    options.viewStyle = m_viewStyle;
    options.gridLines = m_grid->isChecked();
    options.fullRowSelect = m_fullRow->isChecked();
    options.highlight = m_highlight->isChecked();
    options.sortColumn = m_sortColumn;
    options.sortAscending = m_sortAscending;
    return options;
}

core::ColumnScheme ListPane::DefaultColumns() const
{
    core::ColumnScheme layout = m_builtInColumns;
    const QFontMetrics captions = m_details->header()->fontMetrics();
    const QFontMetrics cells = m_details->fontMetrics();
    // Values as they typically look, so that a first start shows them whole: a name as the game
    // writes it with a date, a demo of some megabytes, a time in the locale's own format, ...
    std::array<QString, core::DemoFieldCount> typical;
    typical[core::FieldDemoname] = QStringLiteral("2026-12-24_q3dm17_duel-final.dm_68");
    typical[core::FieldSize] = QStringLiteral("99999 KB");
    typical[core::FieldRecorded] = QString::fromStdString(core::DosDateTimeText(core::DosDateTimeFromUnix(1798149538)));
    typical[core::FieldMap] = QStringLiteral("q3tourney2");
    typical[core::FieldPlaytime] = QStringLiteral("00:00:00");
    typical[core::FieldGametype] = QStringLiteral("Capture the Flag");
    typical[core::FieldHostname] = QStringLiteral("Clan Arena Server #2");
    typical[core::FieldProtocol] = QStringLiteral("68");
    typical[core::FieldWinner] = QStringLiteral("Player Name");
    typical[core::FieldFinalScore] = QStringLiteral("100:100");
    typical[core::FieldRunTime] = QStringLiteral("12:34.567");
    for (int column = 0; column < core::DemoFieldCount; ++column) {
        int& width = layout.widths[static_cast<size_t>(column)];
        if (width != core::kCaptionWidth) {
            width = std::max(0, width);
            continue;
        }
        const QString caption = m_model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        // Room for the caption, the margins and the sort arrow (what the header itself asks for);
        // for the value, its margins and, in the name column, the icon.
        const int icon = column == core::FieldDemoname ? 16 + 6 : 0;
        width = std::max({captions.horizontalAdvance(caption) + 28, m_details->header()->sectionSizeHint(column),
                          cells.horizontalAdvance(typical[static_cast<size_t>(column)]) + 16 + icon});
    }
    return layout;
}

void ListPane::ApplyColumns(const core::ColumnScheme& layout)
{
    QHeaderView* header = m_details->header();
    for (int column = 0; column < core::DemoFieldCount; ++column) {
        const int width = layout.widths[static_cast<size_t>(column)];
        if (width <= 0) {
            header->hideSection(column);
        } else {
            header->showSection(column);
            header->resizeSection(column, width);
        }
    }
    if (!IsPermutation(layout.order))
        return; // a damaged order keeps the current one
    for (int position = 0; position < core::DemoFieldCount; ++position)
        header->moveSection(header->visualIndex(layout.order[static_cast<size_t>(position)]), position);
}

core::ColumnScheme ListPane::Columns() const
{
    core::ColumnScheme layout;
    const QHeaderView* header = m_details->header();
    for (int column = 0; column < core::DemoFieldCount; ++column) {
        layout.widths[static_cast<size_t>(column)] = header->isSectionHidden(column) ? 0 : header->sectionSize(column);
        layout.order[static_cast<size_t>(column)] = header->logicalIndex(column);
    }
    return layout;
}

void ListPane::SetViewStyle(int style)
{
    if (style < BigIcons || style > Details)
        style = Details;
    const bool hadFocus = CurrentView().hasFocus();
    m_viewStyle = style;
    m_styles[static_cast<size_t>(style)]->setChecked(true);
    if (style == Details) {
        m_stack->setCurrentWidget(m_details);
    } else {
        m_icons->setViewMode(style == BigIcons ? QListView::IconMode : QListView::ListMode);
        m_icons->setFlow(style == ListStyle ? QListView::TopToBottom : QListView::LeftToRight);
        m_icons->setIconSize(style == BigIcons ? QSize(32, 32) : QSize(16, 16));
        m_icons->setWrapping(true);
        m_icons->setWordWrap(style == BigIcons);
        m_icons->setGridSize(style == BigIcons ? QSize(96, 64) : QSize());
        m_stack->setCurrentWidget(m_icons);
    }
    if (hadFocus)
        CurrentView().setFocus();
}

void ListPane::SetBackground(const QColor& colour)
{
    m_colour = colour;
    ShowColumnsIcon();
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_details), static_cast<QAbstractItemView*>(m_icons)}) {
        QPalette palette = view->palette();
        palette.setColor(QPalette::Base, colour);
        view->setPalette(palette);
    }
    emit backgroundChanged(colour);
}

void ListPane::SetColumnsDrawing(const char* name)
{
    m_columnsDrawing = name;
    ShowColumnsIcon();
}

void ListPane::ShowColumnsIcon()
{
    // The command bar's chooser of this list has the same picture, in the same colour.
    m_chooseColumns->setIcon(m_columnsDrawing ? ColumnsIcon(m_columnsDrawing, m_colour) : QIcon());
}

void ListPane::ChooseBackground()
{
    const QColor chosen = QColorDialog::getColor(m_colour, this);
    if (chosen.isValid())
        SetBackground(chosen);
}

void ListPane::SetGridLines(bool on)
{
    m_delegate->gridLines = on;
    m_details->viewport()->update();
    m_icons->viewport()->update();
}

void ListPane::SetFullRowSelect(bool on)
{
    m_delegate->fullRowSelect = on;
    m_details->viewport()->update();
}

void ListPane::SetHighlight(bool on)
{
    m_delegate->highlight = on;
    m_details->viewport()->update();
    m_icons->viewport()->update();
}

void ListPane::SortBy(int column, bool ascending)
{
    if (column < 0 || column >= core::DemoFieldCount)
        return;
    m_sortColumn = column;
    m_sortAscending = ascending;
    m_details->header()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    // A listing sorts once in the scanner and once more when it is shown: the second time the
    // rows are already in order, and 10,000 of them need not be compared again.
    if (m_sortedColumn != column || m_sortedAscending != ascending) {
        m_model.sort(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        m_sortedColumn = column;
        m_sortedAscending = ascending;
    }
    const std::vector<int> selected = SelectedRows();
    if (!selected.empty())
        ScrollToRow(selected.front());
    emit rowsChanged();
}

std::vector<int> ListPane::SelectedRows() const
{
    std::vector<char> marked(static_cast<size_t>(m_model.rowCount()), 0);
    for (const QItemSelectionRange& range : m_selection->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            if (row >= 0 && row < m_model.rowCount())
                marked[static_cast<size_t>(row)] = 1;
    std::vector<int> rows;
    for (size_t row = 0; row < marked.size(); ++row)
        if (marked[row])
            rows.push_back(static_cast<int>(row));
    return rows;
}

void ListPane::SelectRows(const std::vector<int>& rows, bool keepOthers)
{
    QItemSelection selection;
    const int last = core::DemoFieldCount - 1;
    for (size_t i = 0; i < rows.size();) {
        size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1)
            ++j;
        selection.select(m_model.index(rows[i], 0), m_model.index(rows[j], last));
        i = j + 1;
    }
    const auto mode = keepOthers ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect;
    m_selection->select(selection, mode | QItemSelectionModel::Rows);
    if (!rows.empty())
        m_selection->setCurrentIndex(m_model.index(rows.front(), 0), QItemSelectionModel::NoUpdate);
}

void ListPane::SelectAllRows()
{
    if (m_model.rowCount() == 0)
        return;
    m_selection->select(
        QItemSelection(m_model.index(0, 0), m_model.index(m_model.rowCount() - 1, core::DemoFieldCount - 1)),
        QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void ListPane::ScrollToRow(int row)
{
    const QModelIndex index = m_model.index(row, 0);
    if (!index.isValid())
        return;
    m_details->scrollTo(index);
    m_icons->scrollTo(index);
}

int ListPane::RowAt(const QPoint& viewportPos) const
{
    const QModelIndex index = CurrentView().indexAt(viewportPos);
    return index.isValid() ? index.row() : -1;
}

RowTotals ListPane::TotalsOf(const std::vector<int>& rows) const
{
    RowTotals totals;
    for (const int row : rows) {
        const core::DemoInfo& info = m_model.Row(row).info;
        ++totals.count;
        totals.kilobytes += KilobytesOf(info[core::FieldSize]);
        totals.seconds += static_cast<uint64_t>(core::ParseClock(info[core::FieldPlaytime]).value_or(0));
    }
    return totals;
}

void ListPane::AddViewEntries(QMenu& menu)
{
    menu.addAction(m_background);
    menu.addSeparator();
    menu.addAction(m_chooseColumns);
    menu.addAction(m_saveScheme);
    menu.addAction(m_loadScheme);
    menu.addSeparator();
    menu.addAction(m_grid);
    menu.addAction(m_fullRow);
    menu.addAction(m_highlight);
    menu.addSeparator();
    for (QAction* style : m_styles)
        menu.addAction(style);
    menu.addSeparator();
    menu.addAction(m_refresh);
}

QString ListPane::DraggedList(const QMimeData* data)
{
    const QString type = QString::fromLatin1(DemoListModel::kMimeType);
    if (!data || !data->hasFormat(type))
        return {};
    return QString::fromUtf8(data->data(type));
}

void ListPane::StartDrag()
{
    const std::vector<int> rows = SelectedRows();
    if (rows.empty() || !MayDragOut())
        return;
    QModelIndexList indexes;
    for (const int row : rows)
        indexes.append(m_model.index(row, 0));
    auto* drag = new QDrag(&CurrentView());
    drag->setMimeData(m_model.mimeData(indexes));
    drag->setPixmap(DragPixmap(rows.size() >= 2));
    // The rows being dragged show without the full row highlight until the drop.
    const bool fullRow = m_delegate->fullRowSelect;
    SetFullRowSelect(false);
    drag->exec(Qt::CopyAction, Qt::CopyAction);
    SetFullRowSelect(fullRow);
}

bool ListPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_details->viewport() && watched != m_icons->viewport())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (AcceptsDrop(drag->mimeData(), drag->position().toPoint())) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (AcceptsDrop(drop->mimeData(), drop->position().toPoint())) {
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            Drop(drop->mimeData(), drop->position().toPoint());
        } else {
            drop->ignore();
        }
        return true;
    }
    case QEvent::MouseMove: {
        auto* move = static_cast<QMouseEvent*>(event);
        FollowMouseFocus(CurrentView());
        MouseMovedOver(move->position().toPoint());
        return false;
    }
    case QEvent::Leave:
        MouseLeft();
        return false;
    case QEvent::MouseButtonRelease: {
        auto* click = static_cast<QMouseEvent*>(event);
        if (click->button() == Qt::LeftButton)
            LeftClicked(click->position().toPoint(), click);
        return false;
    }
    default:
        return false;
    }
}

} // namespace gui
