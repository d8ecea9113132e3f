#pragma once
// The two faces of a list pane: the details view (a header and 26 columns) and the icon view (big
// icons, small icons, list). Both show the same model and selection; a drag out of either goes
// through the pane, which knows what the drag means.
#include <QListView>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <functional>

namespace gui {

// Draws the view options a Qt view lacks: grid lines, a selection shown on the name only when
// full row select is off, and the highlight of the item under the mouse.
class ListDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // Shows a cell's full text as its tool tip when the cell cuts it off.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    bool gridLines = false;
    bool fullRowSelect = false;
    bool highlight = true;
};

// While the properties window exists, neither list starts a drag.
void SetDragsSuspended(bool suspended);
bool DragsSuspended();

class DetailsView : public QTreeView {
public:
    explicit DetailsView(QWidget* parent = nullptr);
    std::function<void(Qt::DropActions)> onStartDrag;

protected:
    void startDrag(Qt::DropActions supportedActions) override;
};

class IconsView : public QListView {
public:
    explicit IconsView(QWidget* parent = nullptr);
    std::function<void(Qt::DropActions)> onStartDrag;

protected:
    void startDrag(Qt::DropActions supportedActions) override;
};

} // namespace gui
