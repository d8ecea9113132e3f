#include "gui/common/ToolWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QTimer>

namespace gui {
namespace {

// Takes the one key press that follows a shortcut override already acted on, wherever the focus
// is, and goes.
class KeySwallower : public QObject {
public:
    explicit KeySwallower(int key) : QObject(qApp), m_key(key) { qApp->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        qApp->removeEventFilter(this);
        deleteLater();
        return static_cast<QKeyEvent*>(event)->key() == m_key;
    }

private:
    int m_key;
};

} // namespace

QAbstractButton* ToolWindow::ButtonWithMnemonic(const QKeyEvent& key) const
{
    if ((key.modifiers() & ~Qt::KeypadModifier) != Qt::AltModifier)
        return nullptr;
    const QKeySequence pressed(Qt::ALT | static_cast<Qt::Key>(key.key()));
    for (QAbstractButton* button : findChildren<QAbstractButton*>())
        if (button->window() == this && button->isVisible() && button->isEnabled() &&
            QKeySequence::mnemonic(button->text()) == pressed)
            return button;
    return nullptr;
}

bool ToolWindow::event(QEvent* event)
{
    // Qt lets the shortcuts of the window below a tool window work in it too, so "&OK" here and
    // "&Options" in the main window's menu would share Alt+O, and a shared key does nothing. The
    // button of the window in front wins; the key press that follows goes nowhere else.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (QAbstractButton* button = ButtonWithMnemonic(*key)) {
            key->accept();
            new KeySwallower(key->key());
            button->setFocus(Qt::ShortcutFocusReason);
            // After the key press is gone: a box the button raises must not lose its first key.
            QTimer::singleShot(0, button, &QAbstractButton::click);
            return true;
        }
    }
    return QWidget::event(event);
}

void ToolWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    // Left to itself the desktop may give the keyboard to any window, or none.
    QWidget* below = parentWidget() ? parentWidget()->window() : nullptr;
    if (event->isAccepted() && below && isActiveWindow())
        QTimer::singleShot(0, below, [below] {
            if (below->isVisible())
                below->activateWindow();
        });
}

void ToolWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

} // namespace gui
