#pragma once
// The small windows over the main window (properties, player, picture, user data): Escape closes
// them, as a dialog's would, wherever the focus is inside. They are utility windows that belong to
// the window they were opened from, so they stay above it and nothing else: never above other
// programs (the game that "Play it" starts) nor above the program's own message boxes.
#include <QWidget>

class QKeyEvent;

namespace gui {

class ToolWindow : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace gui
