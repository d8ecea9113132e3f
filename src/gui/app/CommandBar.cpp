#include "gui/app/CommandBar.h"

#include <QPainter>
#include <QStyle>

#include "gui/app/Commands.h"

namespace gui {
namespace {

QIcon Standard(QWidget* widget, const char* theme, QStyle::StandardPixmap fallback)
{
    return QIcon::fromTheme(QString::fromLatin1(theme), widget->style()->standardIcon(fallback));
}

// A small table in the list's colour: the column chooser of that list.
QIcon ColumnsIcon(const QColor& colour)
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QColor(60, 60, 60));
    p.setBrush(colour);
    p.drawRect(2, 3, 19, 17);
    p.drawLine(2, 8, 21, 8);
    p.drawLine(9, 3, 9, 20);
    p.drawLine(15, 3, 15, 20);
    return QIcon(pixmap);
}

// The four switches show their state on the bar by a picture of its own: switched on, the
// picture is in colour on a lit square with a tick; switched off, it is grey. The style's own
// pressed look alone is too faint to tell them apart.
using Drawing = void (*)(QPainter& p, bool on);

QPixmap SwitchPixmap(Drawing draw, bool on)
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (on) {
        p.setPen(QPen(QColor(70, 130, 40), 1));
        p.setBrush(QColor(214, 240, 190));
        p.drawRoundedRect(QRectF(0.5, 0.5, 23, 23), 4, 4);
    }
    draw(p, on);
    if (on) {
        p.setPen(QPen(QColor(30, 120, 30), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(15, 19), QPointF(17.5, 21.5), QPointF(22, 15.5)}));
    }
    return pixmap;
}

QIcon SwitchIcon(Drawing draw)
{
    QIcon icon;
    icon.addPixmap(SwitchPixmap(draw, false), QIcon::Normal, QIcon::Off);
    icon.addPixmap(SwitchPixmap(draw, true), QIcon::Normal, QIcon::On);
    return icon;
}

// Lines and surfaces of a switch that is off are grey; its shapes stay readable.
QColor Ink(bool on, const QColor& colour)
{
    return on ? colour : QColor(135, 135, 135);
}

QColor Fill(bool on, const QColor& colour)
{
    return on ? colour : QColor(232, 232, 232);
}

// A stopwatch: demos played as fast as the machine can (timedemo).
void DrawStopwatch(QPainter& p, bool on)
{
    p.setPen(QPen(Ink(on, QColor(40, 40, 40)), 1.6));
    p.setBrush(Fill(on, QColor(255, 255, 255)));
    p.drawEllipse(QPointF(11, 13), 7.5, 7.5);
    p.setBrush(Ink(on, QColor(40, 40, 40)));
    p.drawRect(QRectF(9.5, 2, 3, 2.5));
    p.drawLine(QPointF(17, 6), QPointF(18.5, 4.5));
    p.setPen(QPen(Ink(on, QColor(40, 40, 40)), 1));
    for (const QLineF& tick :
         {QLineF(11, 7, 11, 8.5), QLineF(17, 13, 15.5, 13), QLineF(11, 19, 11, 17.5), QLineF(5, 13, 6.5, 13)})
        p.drawLine(tick);
    p.setPen(QPen(Ink(on, QColor(200, 30, 30)), 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(11, 13), QPointF(14.5, 8.5));
}

// Two arrows chasing each other: the play list starts over.
void DrawLoop(QPainter& p, bool on)
{
    const QColor colour = Ink(on, QColor(30, 90, 200));
    p.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QRectF ring(4, 5, 15, 13);
    p.drawArc(ring, 30 * 16, 150 * 16);
    p.drawArc(ring, 210 * 16, 150 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({QPointF(17, 4), QPointF(21.5, 9), QPointF(15, 10)}));
    p.drawPolygon(QPolygonF({QPointF(6, 19.5), QPointF(1.5, 14), QPointF(8, 13)}));
}

// A sheet with lines beside a narrow one: the play list pane.
void DrawPlayList(QPainter& p, bool on)
{
    p.setPen(QPen(Ink(on, QColor(60, 60, 60)), 1));
    p.setBrush(Fill(on, QColor(230, 253, 255)));
    p.drawRect(QRectF(2.5, 3.5, 11, 16));
    p.setBrush(Fill(on, QColor(249, 230, 255)));
    p.drawRect(QRectF(14.5, 3.5, 7, 16));
    p.setPen(QPen(Ink(on, QColor(120, 60, 160)), 1.4));
    for (int row = 0; row < 4; ++row)
        p.drawLine(QPointF(16, 6.5 + row * 3.5), QPointF(20, 6.5 + row * 3.5));
}

void DrawLock(QPainter& p, bool locked)
{
    p.setPen(QPen(QColor(80, 80, 80), 2));
    p.setBrush(Qt::NoBrush);
    // An open lock has its shackle lifted to one side.
    if (locked)
        p.drawArc(QRectF(7, 3, 10, 12), 0, 180 * 16);
    else
        p.drawArc(QRectF(11, 1, 10, 12), 0, 180 * 16);
    p.drawLine(QPointF(7, 9), QPointF(7, 12));
    p.drawLine(QPointF(17, locked ? 9 : 7), QPointF(17, 12));
    p.setPen(QPen(QColor(90, 60, 10), 1));
    p.setBrush(locked ? QColor(220, 170, 40) : QColor(120, 200, 90));
    p.drawRoundedRect(QRectF(4, 11, 16, 11), 2, 2);
}

} // namespace

CommandBar::CommandBar(Commands& commands, QWidget* parent)
    : QToolBar(QStringLiteral("Velmora Command Bar"), parent), m_commands(commands)
{
    setObjectName(QStringLiteral("VelmoraCommandBar"));
    setMovable(true);
    setFloatable(false);
    setAllowedAreas(Qt::AllToolBarAreas);
    commands.loadPlayList->setIcon(Standard(this, "document-open", QStyle::SP_DialogOpenButton));
    commands.savePlayList->setIcon(Standard(this, "document-save", QStyle::SP_DialogSaveButton));
    commands.playDemo->setIcon(Standard(this, "media-playback-start", QStyle::SP_MediaPlay));
    commands.playList->setIcon(Standard(this, "media-seek-forward", QStyle::SP_MediaSeekForward));
    commands.playListAndExit->setIcon(Standard(this, "media-skip-forward", QStyle::SP_MediaSkipForward));
    commands.soundOptions->setIcon(Standard(this, "audio-volume-high", QStyle::SP_MediaVolume));
    commands.playbackKeys->setIcon(Standard(this, "input-keyboard", QStyle::SP_ComputerIcon));
    commands.globalParameters->setIcon(Standard(this, "preferences-system", QStyle::SP_FileDialogDetailedView));
    commands.help->setIcon(Standard(this, "help-contents", QStyle::SP_DialogHelpButton));
    commands.tipOfDay->setIcon(Standard(this, "dialog-information", QStyle::SP_MessageBoxInformation));
    commands.timeDemos->setIcon(SwitchIcon(DrawStopwatch));
    commands.loopDemos->setIcon(SwitchIcon(DrawLoop));
    commands.showPlayList->setIcon(SwitchIcon(DrawPlayList));
    commands.readOnly->setIcon(SwitchIcon(DrawLock));
    // In the menus the switches show a check mark; a picture there would take its place.
    for (QAction* action : {commands.timeDemos, commands.loopDemos, commands.showPlayList, commands.readOnly})
        action->setIconVisibleInMenu(false);
    for (QAction* action :
         {commands.loadPlayList, commands.savePlayList, commands.playDemo, commands.playList, commands.playListAndExit,
          commands.soundOptions, commands.playbackKeys, commands.globalParameters, commands.help, commands.tipOfDay,
          commands.chooseDemoColumns, commands.choosePlayColumns, commands.readOnly, commands.timeDemos,
          commands.loopDemos, commands.showPlayList})
        addAction(action);
    ShowListColours(Qt::white, Qt::white);
    ShowReadOnly(true);
}

void CommandBar::ShowListColours(const QColor& demoList, const QColor& playList)
{
    m_commands.chooseDemoColumns->setIcon(ColumnsIcon(demoList));
    m_commands.choosePlayColumns->setIcon(ColumnsIcon(playList));
}

void CommandBar::ShowReadOnly(bool on)
{
    m_commands.ShowReadOnly(on);
}

Qt::ToolBarArea CommandBar::AreaOf(int dockPosition)
{
    switch (dockPosition) {
    case 1:
        return Qt::RightToolBarArea;
    case 2:
        return Qt::BottomToolBarArea;
    case 3:
        return Qt::LeftToolBarArea;
    default:
        return Qt::TopToolBarArea;
    }
}

int CommandBar::DockPositionOf(Qt::ToolBarArea area)
{
    switch (area) {
    case Qt::RightToolBarArea:
        return 1;
    case Qt::BottomToolBarArea:
        return 2;
    case Qt::LeftToolBarArea:
        return 3;
    default:
        return 0;
    }
}

} // namespace gui
