#include "gui/lists/ListIcons.h"

#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>

#include "core/row/DemoInfo.h"

namespace gui {
namespace {

void DrawPage(QPainter& p, const QRectF& r)
{
    const qreal fold = r.width() * 0.3;
    QPainterPath page;
    page.moveTo(r.left(), r.top());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.right(), r.bottom());
    page.lineTo(r.left(), r.bottom());
    page.closeSubpath();
    p.setPen(QPen(QColor(70, 70, 70), 1.2));
    p.setBrush(QColor(252, 252, 252));
    p.drawPath(page);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

// A demo: a page with a strip of film on it.
void DrawDemoMark(QPainter& p, const QRectF& r)
{
    const QRectF film(r.left() + r.width() * 0.15, r.top() + r.height() * 0.42, r.width() * 0.7, r.height() * 0.28);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(film);
    p.setBrush(QColor(240, 240, 240));
    const qreal hole = film.height() * 0.18;
    for (int i = 0; i < 4; ++i) {
        const qreal x = film.left() + film.width() * (0.1 + i * 0.23);
        p.drawRect(QRectF(x, film.top() + hole * 0.5, hole, hole));
        p.drawRect(QRectF(x, film.bottom() - hole * 1.5, hole, hole));
    }
}

QPixmap KindPixmap(int kind, int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF page(size * 0.12, size * 0.04, size * 0.72, size * 0.92);
    DrawPage(p, page);
    DrawDemoMark(p, page);
    static const std::array<QColor, 3> archiveColours = {QColor(40, 90, 200), QColor(220, 170, 20),
                                                         QColor(30, 150, 60)};
    static const std::array<const char*, 3> archiveNames = {"PK3", "ZIP", "EXE"};
    const int base = kind & 3;
    if (base > 0) {
        // An archive member: a coloured band naming the archive kind.
        const QRectF band(0, size * 0.72, size, size * 0.28);
        p.setPen(Qt::NoPen);
        p.setBrush(archiveColours[static_cast<size_t>(base - 1)]);
        p.drawRoundedRect(band, size * 0.05, size * 0.05);
        QFont font = p.font();
        font.setPixelSize(std::max(6, static_cast<int>(size * 0.24)));
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(band, Qt::AlignCenter, QString::fromLatin1(archiveNames[static_cast<size_t>(base - 1)]));
    }
    if (kind >= 4) {
        // No mod information: crossed out in red.
        p.setPen(QPen(QColor(210, 30, 30), size / 10.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(size * 0.15, size * 0.15), QPointF(size * 0.85, size * 0.85));
        p.drawLine(QPointF(size * 0.85, size * 0.15), QPointF(size * 0.15, size * 0.85));
    }
    return pixmap;
}

void DrawEye(QPainter& p, const QRectF& r)
{
    QPainterPath lid;
    lid.moveTo(r.left(), r.center().y());
    lid.quadTo(r.center().x(), r.top() - r.height() * 0.25, r.right(), r.center().y());
    lid.quadTo(r.center().x(), r.bottom() + r.height() * 0.25, r.left(), r.center().y());
    p.setPen(QPen(QColor(40, 40, 40), 1.1));
    p.setBrush(Qt::white);
    p.drawPath(lid);
    const qreal iris = r.height() * 0.62;
    p.setBrush(QColor(40, 110, 190));
    p.drawEllipse(r.center(), iris / 2, iris / 2);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawEllipse(r.center(), iris / 5, iris / 5);
}

void DrawStar(QPainter& p, const QRectF& r)
{
    QPainterPath star;
    const QPointF c = r.center();
    const qreal outer = r.width() / 2, inner = outer * 0.42;
    for (int i = 0; i < 10; ++i) {
        const qreal angle = (-90.0 + i * 36.0) * 3.14159265358979 / 180.0;
        const qreal radius = i % 2 ? inner : outer;
        const QPointF point(c.x() + radius * std::cos(angle), c.y() + radius * std::sin(angle));
        i == 0 ? star.moveTo(point) : star.lineTo(point);
    }
    star.closeSubpath();
    p.setPen(QPen(QColor(150, 100, 0), 1.0));
    p.setBrush(QColor(250, 200, 30));
    p.drawPath(star);
}

void DrawGlobe(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(QColor(20, 60, 160), 1.1));
    p.setBrush(QColor(130, 190, 250));
    p.drawEllipse(r);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(r.adjusted(r.width() * 0.3, 0, -r.width() * 0.3, 0));
    p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
}

void DrawNote(QPainter& p, const QRectF& r)
{
    DrawPage(p, r);
    p.setPen(QPen(QColor(90, 90, 160), 1.0));
    for (int line = 1; line <= 3; ++line) {
        const qreal y = r.top() + r.height() * (0.2 + 0.2 * line);
        p.drawLine(QPointF(r.left() + r.width() * 0.2, y), QPointF(r.right() - r.width() * 0.2, y));
    }
}

} // namespace

QIcon UserDataHeaderIcon(int column)
{
    static const std::array<QIcon, 4> icons = [] {
        std::array<QIcon, 4> made;
        for (int i = 0; i < 4; ++i) {
            QPixmap pixmap(16, 16);
            pixmap.fill(Qt::transparent);
            QPainter p(&pixmap);
            p.setRenderHint(QPainter::Antialiasing);
            switch (i) {
            case 0:
                DrawEye(p, QRectF(1, 4, 14, 8));
                break;
            case 1:
                DrawStar(p, QRectF(1, 1, 14, 14));
                break;
            case 2:
                DrawGlobe(p, QRectF(1.5, 1.5, 13, 13));
                break;
            default:
                DrawNote(p, QRectF(2.5, 1, 11, 14));
                break;
            }
            made[static_cast<size_t>(i)].addPixmap(pixmap);
        }
        return made;
    }();
    if (column < core::FieldPOV || column > core::FieldDescription)
        return {};
    return icons[static_cast<size_t>(column - core::FieldPOV)];
}

QIcon SourceKindIcon(int kind)
{
    static const std::array<QIcon, 8> icons = [] {
        std::array<QIcon, 8> made;
        for (int k = 0; k < 8; ++k) {
            made[static_cast<size_t>(k)].addPixmap(KindPixmap(k, 16));
            made[static_cast<size_t>(k)].addPixmap(KindPixmap(k, 32));
        }
        return made;
    }();
    return icons[static_cast<size_t>(kind & 7)];
}

QPixmap DragPixmap(bool severalRows)
{
    const int size = 32;
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (severalRows) {
        DrawPage(p, QRectF(10, 1, 20, 24));
        DrawPage(p, QRectF(6, 4, 20, 24));
        DrawPage(p, QRectF(2, 7, 20, 24));
    } else {
        DrawPage(p, QRectF(6, 2, 20, 28));
    }
    return pixmap;
}

} // namespace gui
