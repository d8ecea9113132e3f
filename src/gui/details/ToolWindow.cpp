#include "gui/details/ToolWindow.h"

#include <QKeyEvent>

namespace gui {

void ToolWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

} // namespace gui
