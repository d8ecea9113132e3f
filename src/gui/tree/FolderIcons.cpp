#include "gui/tree/FolderIcons.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace gui {
namespace {

QIcon Themed(const char* name, QStyle::StandardPixmap fallback)
{
    return QIcon::fromTheme(QString::fromLatin1(name), QApplication::style()->standardIcon(fallback));
}

// The base icon at 16 and 32 pixels with a mark painted into its lower right corner.
QIcon WithMark(const QIcon& base, const std::function<void(QPainter&, const QRectF&)>& mark)
{
    QIcon icon;
    for (const int size : {16, 32}) {
        QPixmap pixmap = base.pixmap(size, size);
        if (pixmap.isNull()) {
            pixmap = QPixmap(size, size);
            pixmap.fill(Qt::transparent);
        } else if (pixmap.width() != size) {
            // Styles without big icons hand out their small one: scale it, so that the mark fits.
            pixmap = pixmap.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        mark(p, QRectF(size * 0.45, size * 0.45, size * 0.55, size * 0.55));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

void DemoMark(QPainter& p, const QRectF& r)
{
    // A small film frame: the folder holds demos.
    p.setPen(QPen(QColor(30, 30, 30), 1));
    p.setBrush(QColor(200, 40, 40));
    p.drawRoundedRect(r.adjusted(1, 2, -1, -2), 2, 2);
    p.setBrush(Qt::white);
    const qreal hole = std::max<qreal>(1.0, r.width() / 8);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(r.left() + 2 + i * r.width() / 3.2, r.top() + 3, hole, hole));
}

void GameMark(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(QColor(90, 0, 0), 1));
    p.setBrush(QColor(230, 60, 20));
    p.drawEllipse(r.adjusted(0.5, 0.5, -0.5, -0.5));
    QFont font = p.font();
    font.setPixelSize(std::max(6, static_cast<int>(r.height() * 0.8)));
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(r, Qt::AlignCenter, QStringLiteral("Q"));
}

} // namespace

QIcon FolderIconFor(FolderIcon kind)
{
    static const QIcon closed = Themed("folder", QStyle::SP_DirClosedIcon);
    static const QIcon open = Themed("folder-open", QStyle::SP_DirOpenIcon);
    static const QIcon demosClosed = WithMark(closed, DemoMark);
    static const QIcon demosOpen = WithMark(open, DemoMark);
    static const QIcon game = WithMark(closed, GameMark);
    switch (kind) {
    case FolderIcon::GameFolder:
        return game;
    case FolderIcon::PlainClosed:
        return closed;
    case FolderIcon::PlainOpen:
        return open;
    case FolderIcon::DemosClosed:
        return demosClosed;
    case FolderIcon::DemosOpen:
        return demosOpen;
    }
    return closed;
}

QIcon DriveIcon(platform::DriveKind kind)
{
    switch (kind) {
    case platform::DriveKind::Floppy:
        return Themed("media-floppy", QStyle::SP_DriveFDIcon);
    case platform::DriveKind::Removable:
        return Themed("drive-removable-media", QStyle::SP_DriveFDIcon);
    case platform::DriveKind::Fixed:
        return Themed("drive-harddisk", QStyle::SP_DriveHDIcon);
    case platform::DriveKind::Network:
        return Themed("network-server", QStyle::SP_DriveNetIcon);
    case platform::DriveKind::CdRom:
        return Themed("media-optical", QStyle::SP_DriveCDIcon);
    case platform::DriveKind::RamDisk:
        return Themed("media-flash", QStyle::SP_DriveHDIcon);
    case platform::DriveKind::None:
        break;
    }
    return {};
}

} // namespace gui
