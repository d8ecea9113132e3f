#include "gui/tree/SearchResultsNode.h"

#include <QHeaderView>
#include <QStyle>

namespace gui {

SearchResultsNode::SearchResultsNode(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* item = new QTreeWidgetItem(this, {QStringLiteral("Search results")});
    item->setIcon(0, style()->standardIcon(QStyle::SP_FileDialogContentsView));
    item->setToolTip(0, QStringLiteral("The demos the search bar found in every folder"));
    connect(this, &QTreeWidget::itemClicked, this, [this] { emit chosen(); });
    connect(this, &QTreeWidget::itemActivated, this, [this] { emit chosen(); });
}

void SearchResultsNode::SetShown(bool shown)
{
    Item().setSelected(shown);
    if (!shown)
        clearSelection();
}

bool SearchResultsNode::Shown() const
{
    return topLevelItem(0)->isSelected();
}

QSize SearchResultsNode::sizeHint() const
{
    return {QTreeWidget::sizeHint().width(), sizeHintForRow(0) + 2 * frameWidth() + 2};
}

} // namespace gui
