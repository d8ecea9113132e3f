#pragma once
// The picture box of the details windows: it cross-fades from the picture it showed before.
#include <QImage>
#include <QTimer>
#include <QWidget>

#include "core/pictures/Picture.h"

class QPainter;

namespace gui {

// The core's pixels are laid out as QImage::Format_RGB32; the image gets its own copy.
QImage ImageFromPicture(const core::Picture& picture);

class FadingPicture : public QWidget {
    Q_OBJECT
public:
    explicit FadingPicture(QWidget* parent = nullptr);

    // Shows the image at once, or remembers it and lets StartFade blend it over the current one.
    void SetImage(const QImage& image, bool fade);
    void StartFade();
    const QImage& Image() const { return m_image; }
    bool Fading() const { return m_timer.isActive(); }
    // Scales the picture to the box (level shots) or centres it at its own size (icons).
    void SetScaled(bool scaled) { m_scaled = scaled; }

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void DrawImage(QPainter& painter, const QImage& image) const;

    QImage m_image;
    QImage m_previous;
    double m_opacity = 1.0;
    bool m_scaled = true;
    QTimer m_timer;
};

} // namespace gui
