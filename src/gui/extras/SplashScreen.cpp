#include "gui/extras/SplashScreen.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <algorithm>

#include "gui/extras/GameFont.h"

namespace gui {
namespace {

constexpr int kWidth = 480;
constexpr int kHeight = 270;

void DrawRivet(QPainter& p, QPointF centre)
{
    QRadialGradient head(centre - QPointF(1.5, 1.5), 6);
    head.setColorAt(0, QColor(210, 210, 210));
    head.setColorAt(1, QColor(60, 60, 60));
    p.setPen(QPen(QColor(20, 20, 20), 1));
    p.setBrush(head);
    p.drawEllipse(centre, 5, 5);
}

void DrawPlate(QPainter& p, const QRect& area)
{
    QLinearGradient steel(area.topLeft(), area.bottomLeft());
    steel.setColorAt(0, QColor(92, 94, 98));
    steel.setColorAt(0.45, QColor(54, 56, 60));
    steel.setColorAt(1, QColor(22, 22, 24));
    p.fillRect(area, steel);
    // Brushed metal: fine diagonal streaks, lighter and darker in turn.
    for (int x = -area.height(); x < area.width(); x += 3) {
        p.setPen(QPen(QColor(255, 255, 255, (x / 3) % 2 ? 10 : 4), 1));
        p.drawLine(x, area.height(), x + area.height(), 0);
    }
    // A bevelled inner frame with a rivet in each corner.
    const QRectF frame = QRectF(area).adjusted(10, 10, -10, -10);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 0, 160), 3));
    p.drawRoundedRect(frame.translated(1, 1), 6, 6);
    p.setPen(QPen(QColor(170, 170, 170, 120), 1.5));
    p.drawRoundedRect(frame, 6, 6);
    for (const QPointF corner : {frame.topLeft() + QPointF(12, 12), frame.topRight() + QPointF(-12, 12),
                                 frame.bottomLeft() + QPointF(12, -12), frame.bottomRight() + QPointF(-12, -12)})
        DrawRivet(p, corner);
}

void DrawTitle(QPainter& p, const QRect& area)
{
    const QFont title = GameFont(64);
    QPainterPath text;
    const QFontMetricsF metrics(title);
    const QString name = QStringLiteral("VELMORA");
    const qreal width = metrics.horizontalAdvance(name);
    text.addText(QPointF((area.width() - width) / 2, area.height() * 0.52), title, name);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 170));
    p.drawPath(text.translated(3, 4));
    QLinearGradient face(0, area.height() * 0.3, 0, area.height() * 0.55);
    face.setColorAt(0, QColor(250, 246, 236));
    face.setColorAt(0.55, QColor(196, 192, 184));
    face.setColorAt(1, QColor(120, 116, 110));
    p.setBrush(face);
    p.setPen(QPen(QColor(20, 20, 20), 1.2));
    p.drawPath(text);

    p.setPen(QColor(225, 222, 214));
    p.setFont(GameFont(17));
    p.drawText(QRect(0, int(area.height() * 0.60), area.width(), 28), Qt::AlignHCenter | Qt::AlignTop,
               QStringLiteral("Quake III Arena demo manager"));
    p.setFont(GameFont(13));
    p.setPen(QColor(200, 200, 200, 200));
    p.drawText(area.adjusted(0, 0, -30, -26), Qt::AlignRight | Qt::AlignBottom, QStringLiteral("version 1.32"));
}

} // namespace

QColor SplashScreen::VariantColour(int variant)
{
    switch (variant) {
    case 0:
        return QColor(200, 36, 24); // red team
    case 1:
        return QColor(36, 84, 210); // blue team
    default:
        return QColor(48, 168, 64); // the arena's green
    }
}

QPixmap SplashScreen::Picture(const QColor& tint, bool withTitle)
{
    QPixmap picture(kWidth, kHeight);
    const QRect area = picture.rect();
    QPainter p(&picture);
    DrawPlate(p, area);
    if (tint.isValid()) {
        // The steel takes the colour, and a glow of it rises behind the name.
        p.setCompositionMode(QPainter::CompositionMode_Overlay);
        p.fillRect(area, tint);
        p.setCompositionMode(QPainter::CompositionMode_Screen);
        QRadialGradient glow(area.center(), area.width() * 0.45);
        QColor core = tint;
        core.setAlpha(190);
        QColor edge = tint;
        edge.setAlpha(0);
        glow.setColorAt(0, core);
        glow.setColorAt(1, edge);
        p.fillRect(area, glow);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (withTitle)
        DrawTitle(p, area);
    return picture;
}

SplashScreen::SplashScreen(int variant)
{
    setObjectName(QStringLiteral("VelmoraSplash"));
    m_variant =
        variant >= 0 && variant < kVariantCount ? variant : int(QRandomGenerator::global()->bounded(kVariantCount));
    m_plain = Picture(QColor());
    m_coloured = Picture(VariantColour(m_variant));
    setPixmap(m_plain);
    // The fade follows the clock, not the number of steps: start-up keeps the event loop busy and
    // steps come when it lets them.
    m_clock.start();
    m_timer.setInterval(30);
    connect(&m_timer, &QTimer::timeout, this, &SplashScreen::Step);
    m_timer.start();
}

void SplashScreen::Step()
{
    m_blend = std::clamp(qreal(m_clock.elapsed()) / kFadeMilliseconds, qreal(0), qreal(1));
    if (m_blend >= 1)
        m_timer.stop();
    repaint();
}

void SplashScreen::drawContents(QPainter* painter)
{
    if (m_blend <= 0)
        return;
    painter->save();
    painter->setOpacity(m_blend);
    painter->drawPixmap(0, 0, m_coloured);
    painter->restore();
}

} // namespace gui
