#include "app/MainWindow.h"

#include <QApplication>
#include <QMenuBar>

namespace gui {

TForm1::TForm1(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Velmora"));
    resize(1000, 700);
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("Exit"), this, &QWidget::close);
}

} // namespace gui
