#pragma once
// The large picture window of the details windows: a level shot at its own size.
#include <QImage>

#include "gui/common/ToolWindow.h"

namespace gui {

// The large picture window: borderless, on top, centred on the desktop, the picture at its own
// size in a sunken frame; a click on it or Escape closes it.
class PictureWindow : public ToolWindow {
    Q_OBJECT
public:
    explicit PictureWindow(const QImage& image, QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace gui
