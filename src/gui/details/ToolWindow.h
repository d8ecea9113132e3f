#pragma once
// The small windows over the main window (properties, player, picture, user data): Escape closes
// them, as a dialog's would, wherever the focus is inside.
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
