#include "lists/ListIcons.h"

#include <QPainter>
#include <QPainterPath>

#include <array>

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

} // namespace

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
