#include "gui/app/PaneActions.h"

#include <QAction>
#include <QWidget>

namespace gui {

QAction* AddPaneAction(QWidget& pane, const QString& text, const QKeySequence& key)
{
    auto* action = new QAction(text, &pane);
    if (!key.isEmpty()) {
        action->setShortcut(key);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    }
    pane.addAction(action);
    return action;
}

} // namespace gui
