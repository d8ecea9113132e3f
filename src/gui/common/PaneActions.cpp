#include "gui/common/PaneActions.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

namespace gui {
namespace {

bool TakesTyping(const QWidget* widget)
{
    if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget))
        return true;
    if (const auto* text = qobject_cast<const QTextEdit*>(widget))
        return !text->isReadOnly();
    if (const auto* text = qobject_cast<const QPlainTextEdit*>(widget))
        return !text->isReadOnly();
    return false;
}

} // namespace

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

void FollowMouseFocus(QWidget& view)
{
    if (view.hasFocus())
        return;
    // Keys typed after a click into a text field belong to it, wherever the mouse goes next: a
    // pane taking them would run its own commands with them (Ctrl+A adding a folder) or jump
    // to what they spell.
    const QWidget* focused = QApplication::focusWidget();
    if (focused && focused->window() == view.window() && TakesTyping(focused))
        return;
    view.setFocus(Qt::MouseFocusReason);
}

} // namespace gui
