#pragma once
// The presentation extras: the splash screen, the about box and the tip of the day.
#include <QSplashScreen>

namespace gui {

// The program's name over a picture that fades into one of three colourings, chosen at random.
class Splash : public QSplashScreen {
public:
    Splash();

protected:
    void drawContents(QPainter* painter) override;

private:
    QPixmap m_base;
    QPixmap m_tinted;
    qreal m_blend = 0;
};

void ShowAboutBox(QWidget* parent);
// Shows the tip dialog with its show-at-start-up box set as given; returns the box's state.
bool ShowTipDialog(QWidget* parent, bool showAtStartUp);

} // namespace gui
