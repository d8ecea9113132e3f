#pragma once
// The small windows over the main window (properties, player, picture, user data, help): Escape
// closes them, as a dialog's would, wherever the focus is inside; their own buttons' Alt keys come
// before those of the window below, and when they close the window below gets the keyboard back.
// They are utility windows that belong to the window they were opened from, so they stay above it
// and nothing else: never above other programs (the game that "Play it" starts) nor above the
// program's own message boxes.
#include <QWidget>

class QAbstractButton;
class QCloseEvent;
class QKeyEvent;

namespace gui {

class ToolWindow : public QWidget {
public:
    using QWidget::QWidget;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QAbstractButton* ButtonWithMnemonic(const QKeyEvent& key) const;
};

} // namespace gui
