#pragma once
// The two faces of a list pane: the details view (a header and 26 columns) and the icon view (big
// icons, small icons, list). Both show the same model and selection; a drag out of either goes
// through the pane, which knows what the drag means.
#include <QHeaderView>
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

// The details view's header. Its sort arrow points up over an ascending order (A to Z, small to
// large) and down over a descending one, whichever way the style would draw it; a caption too
// long for its column is cut at its end with an ellipsis, so that its beginning stays readable
// (right-aligned captions would otherwise lose their beginning, as would a bold face that the
// style measured in the plain one).
class SortHeader : public QHeaderView {
public:
    explicit SortHeader(QWidget* parent = nullptr);
    // The section's caption and sort arrow as they are drawn now.
    QStyleOptionHeader SectionLook(int logicalIndex) const;

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override;
};

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
