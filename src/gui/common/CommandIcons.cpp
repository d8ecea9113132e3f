#include "gui/common/CommandIcons.h"

#include <QPainter>
#include <QPixmap>

#include "gui/common/ProgramResources.h"

namespace gui {
namespace {

QString DrawingPath(const QString& name)
{
    return QStringLiteral(":/velmora/commands/%1.svg").arg(name);
}

// Whether Qt can draw the drawings: without its SVG icon engine an icon of one is not null, but
// draws nothing, and a column chooser would be a bare coloured square.
bool DrawingsShow()
{
    static const bool show = [] {
        InitProgramResources();
        return !QIcon(DrawingPath(QStringLiteral("play"))).pixmap(QSize(16, 16)).isNull();
    }();
    return show;
}

// Where the tables of the column choosers have their cells, in the drawings' 24-unit grid.
const QRectF kTableCells(3.5, 8.25, 17, 11.25);

} // namespace

QIcon CommandIcon(const char* name)
{
    if (!DrawingsShow())
        return {};
    return QIcon(DrawingPath(QString::fromLatin1(name)));
}

QIcon SwitchIcon(const char* name)
{
    if (!DrawingsShow())
        return {};
    const QString base = QString::fromLatin1(name);
    QIcon icon;
    icon.addFile(DrawingPath(base + QStringLiteral("-off")), {}, QIcon::Normal, QIcon::Off);
    icon.addFile(DrawingPath(base + QStringLiteral("-on")), {}, QIcon::Normal, QIcon::On);
    return icon;
}

QIcon ColumnsIcon(const char* name, const QColor& cells)
{
    const QIcon table = CommandIcon(name);
    if (table.isNull())
        return {};
    // The colour lies under the drawing's transparent cells. Drawn at the bar's and the menus'
    // sizes and twice those for dense screens; Qt scales the nearest one for any other.
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 44, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        const qreal unit = size / 24.0;
        painter.fillRect(QRectF(kTableCells.topLeft() * unit, kTableCells.size() * unit), cells);
        table.paint(&painter, pixmap.rect());
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace gui
