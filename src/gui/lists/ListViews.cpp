#include "gui/lists/ListViews.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include "core/row/DemoInfo.h"

namespace gui {

void ListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    // Without full row select only the name carries the selection, as in the icon views.
    if (!fullRowSelect && index.column() != core::FieldDemoname)
        opt.state &= ~QStyle::State_Selected;
    if (!highlight)
        opt.state &= ~QStyle::State_MouseOver;
    else if ((opt.state & QStyle::State_MouseOver) && !(opt.state & QStyle::State_Selected))
        painter->fillRect(opt.rect, opt.palette.color(QPalette::Highlight).lighter(185));
    QStyledItemDelegate::paint(painter, opt, index);
    if (gridLines) {
        painter->save();
        painter->setPen(opt.palette.color(QPalette::Mid));
        painter->drawLine(opt.rect.bottomLeft(), opt.rect.bottomRight());
        painter->drawLine(opt.rect.topRight(), opt.rect.bottomRight());
        painter->restore();
    }
}

bool ListDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                             const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QSize needed = sizeHint(opt, index);
    if (needed.width() <= opt.rect.width())
        return false; // the list's own tool tip
    QToolTip::showText(event->globalPos(), opt.text, view);
    return true;
}

SortHeader::SortHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    // As the tree view's own header.
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

QStyleOptionHeader SortHeader::SectionLook(int logicalIndex) const
{
    QStyleOptionHeader option;
    initStyleOption(&option);
    initStyleOptionForIndex(&option, logicalIndex);
    return option;
}

void SortHeader::initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const
{
    QHeaderView::initStyleOptionForIndex(option, logicalIndex);
    const bool sorted = isSortIndicatorShown() && sortIndicatorSection() == logicalIndex;
    if (sorted)
        option->sortIndicator =
            sortIndicatorOrder() == Qt::AscendingOrder ? QStyleOptionHeader::SortUp : QStyleOptionHeader::SortDown;
    // The room the style leaves the caption: the section less its margins, the arrow and the icon.
    const int margin = style()->pixelMetric(QStyle::PM_HeaderMargin, option, this);
    int room = sectionSize(logicalIndex) - 2 * margin;
    if (sorted)
        room -= style()->pixelMetric(QStyle::PM_HeaderMarkSize, option, this) + margin;
    if (!option->icon.isNull())
        room -= style()->pixelMetric(QStyle::PM_SmallIconSize, option, this) + margin;
    QFont font = this->font();
    font.setBold(option->state.testFlag(QStyle::State_On));
    const QFontMetrics metrics(font);
    if (metrics.horizontalAdvance(option->text) > room) {
        option->text = metrics.elidedText(option->text, Qt::ElideRight, std::max(0, room));
        option->textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    }
}

DetailsView::DetailsView(QWidget* parent) : QTreeView(parent)
{
    setHeader(new SortHeader(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setMouseTracking(true);
    header()->setSectionsMovable(true);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(true);
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(8);
}

namespace {
bool g_dragsSuspended = false;
} // namespace

void SetDragsSuspended(bool suspended)
{
    g_dragsSuspended = suspended;
}
bool DragsSuspended()
{
    return g_dragsSuspended;
}

void DetailsView::startDrag(Qt::DropActions supportedActions)
{
    if (onStartDrag && !g_dragsSuspended)
        onStartDrag(supportedActions);
}

IconsView::IconsView(QWidget* parent) : QListView(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWrapping(true);
    setUniformItemSizes(true);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setMouseTracking(true);
}

void IconsView::startDrag(Qt::DropActions supportedActions)
{
    if (onStartDrag && !g_dragsSuspended)
        onStartDrag(supportedActions);
}

} // namespace gui
