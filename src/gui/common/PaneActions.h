#pragma once
#include <QKeySequence>
#include <QString>

class QAction;
class QWidget;

namespace gui {

// A context-menu command of a pane whose key works while the pane or one of its children has
// the focus, so that the panes' keys (Del, F2, F5 ...) do not collide.
QAction* AddPaneAction(QWidget& pane, const QString& text, const QKeySequence& key = {});

// The pane under the mouse takes the keyboard focus, so that its keys work without a click; a
// text field the user is typing into (the search bar, a name being edited) keeps it.
void FollowMouseFocus(QWidget& view);

} // namespace gui
