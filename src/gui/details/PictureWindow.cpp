#include "gui/details/PictureWindow.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include "gui/common/WindowPlacement.h"

namespace gui {

PictureWindow::PictureWindow(const QImage& image, QWidget* parent)
    : ToolWindow(parent, Qt::Tool | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("PictureWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* frame = new QLabel(this);
    frame->setObjectName(QStringLiteral("PicFrame"));
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(2);
    frame->setAlignment(Qt::AlignCenter);
    frame->setPixmap(QPixmap::fromImage(image));
    frame->setCursor(Qt::PointingHandCursor);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(frame);
    // The picture at its own size and a frame of 6 pixels on each side.
    setFixedSize(image.width() + 12, image.height() + 12);
    CentreOnCursorScreen(*this);
}

void PictureWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        close();
}

} // namespace gui
