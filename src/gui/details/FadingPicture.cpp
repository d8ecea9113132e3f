#include "gui/details/FadingPicture.h"

#include <QMouseEvent>
#include <QPainter>

namespace gui {

QImage ImageFromPicture(const core::Picture& picture)
{
    if (picture.IsNull())
        return {};
    const QImage view(reinterpret_cast<const uchar*>(picture.pixels.data()), picture.width, picture.height,
                      picture.width * 4, QImage::Format_RGB32);
    return view.copy();
}

FadingPicture::FadingPicture(QWidget* parent) : QWidget(parent)
{
    m_timer.setInterval(40);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_opacity = std::min(1.0, m_opacity + 0.1);
        if (m_opacity >= 1.0) {
            m_timer.stop();
            m_previous = QImage();
        }
        update();
    });
}

void FadingPicture::SetImage(const QImage& image, bool fade)
{
    m_previous = fade ? m_image : QImage();
    m_image = image;
    m_opacity = fade ? 0.0 : 1.0;
    m_timer.stop();
    update();
}

void FadingPicture::StartFade()
{
    if (m_opacity < 1.0)
        m_timer.start();
}

void FadingPicture::DrawImage(QPainter& painter, const QImage& image) const
{
    if (image.isNull())
        return;
    if (m_scaled) {
        painter.drawImage(rect(), image);
        return;
    }
    const QPoint corner((width() - image.width()) / 2, (height() - image.height()) / 2);
    painter.drawImage(corner, image);
}

void FadingPicture::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!m_previous.isNull()) {
        painter.setOpacity(1.0 - m_opacity);
        DrawImage(painter, m_previous);
    }
    painter.setOpacity(m_opacity);
    DrawImage(painter, m_image);
}

void FadingPicture::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

} // namespace gui
