#include "gui/fileops/InPlaceEditor.h"

#include <QAbstractItemView>
#include <QAction>
#include <QKeyEvent>

namespace gui {

InPlaceEditor::InPlaceEditor(QAbstractItemView& view, const QRect& rect, const QString& text, QAction* keyTaken,
                             std::function<void(const QString&)> done)
    : QLineEdit(text, view.viewport()), m_original(text), m_keyTaken(keyTaken), m_view(&view), m_done(std::move(done))
{
    setObjectName(QStringLiteral("InPlaceEditor"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFrame(true);
    QRect place = rect;
    place.setWidth(std::max(rect.width(), fontMetrics().horizontalAdvance(text) + 24));
    place.setHeight(std::max(rect.height(), sizeHint().height()));
    setGeometry(place);
    if (m_keyTaken) {
        m_takenKey = m_keyTaken->shortcut();
        m_keyTaken->setShortcut({});
    }
    selectAll();
    show();
    setFocus(Qt::OtherFocusReason);
}

InPlaceEditor::~InPlaceEditor()
{
    if (m_keyTaken)
        m_keyTaken->setShortcut(m_takenKey);
}

void InPlaceEditor::Commit()
{
    Finish(true);
}

void InPlaceEditor::Cancel()
{
    Finish(false);
}

void InPlaceEditor::Finish(bool accepted)
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_keyTaken) {
        m_keyTaken->setShortcut(m_takenKey);
        m_keyTaken = nullptr;
    }
    const QString typed = text();
    hide();
    if (m_view)
        m_view->setFocus(Qt::OtherFocusReason);
    deleteLater();
    if (accepted && typed != m_original && !typed.isEmpty() && m_done)
        m_done(typed);
}

bool InPlaceEditor::event(QEvent* event)
{
    // The window takes Escape for stopping a listing before a key press reaches any widget; the
    // shortcut check that precedes the key press still comes here first.
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            key->accept();
            Cancel();
            return true;
        }
        // A line edit passes Return on to its parent after it reported it, and the list under the
        // editor would take it as activating the row (opening its properties); the key ends the
        // editing and nothing else, also when a command of the list has Enter as its shortcut.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            key->accept();
            if (event->type() == QEvent::KeyPress)
                Commit();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void InPlaceEditor::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // A message box or a menu that opens over the editor does not end it.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        Commit();
}

} // namespace gui
