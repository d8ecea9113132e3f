#pragma once
// The splash screen: the program's name over a steel plate picture that cross-fades into one of
// three colourings (red, blue or green, chosen at random at each start). Start-up closes it once
// the main window shows.
#include <QElapsedTimer>
#include <QSplashScreen>
#include <QTimer>

namespace gui {

class SplashScreen : public QSplashScreen {
    Q_OBJECT
public:
    static constexpr int kVariantCount = 3;
    static constexpr int kFadeMilliseconds = 900;

    // `variant` 0 to 2 picks the colouring; any other value picks one at random.
    explicit SplashScreen(int variant = -1);

    int Variant() const { return m_variant; }
    // How far the cross-fade has come, 0 to 1.
    qreal Blend() const { return m_blend; }
    // The pictures the screen blends: the plain plate and the coloured one.
    const QPixmap& PlainPicture() const { return m_plain; }
    const QPixmap& ColouredPicture() const { return m_coloured; }

    // The colour of each variant.
    static QColor VariantColour(int variant);
    // The splash picture; `tint` invalid gives the plain steel one. Without the title it is the
    // bare plate, the about box's background.
    static QPixmap Picture(const QColor& tint, bool withTitle = true);

protected:
    void drawContents(QPainter* painter) override;

private:
    void Step();

    int m_variant = 0;
    QPixmap m_plain;
    QPixmap m_coloured;
    qreal m_blend = 0;
    QElapsedTimer m_clock;
    QTimer m_timer;
};

} // namespace gui
