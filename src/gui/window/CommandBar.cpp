#include "window/CommandBar.h"

#include <QPainter>
#include <QStyle>

#include "window/Commands.h"

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

QIcon LockIcon(bool locked)
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
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
    return QIcon(pixmap);
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
    commands.timeDemos->setIcon(Standard(this, "chronometer", QStyle::SP_BrowserReload));
    commands.loopDemos->setIcon(Standard(this, "media-playlist-repeat", QStyle::SP_BrowserReload));
    commands.showPlayList->setIcon(Standard(this, "view-media-playlist", QStyle::SP_FileDialogListView));
    for (QAction* action : {commands.loadPlayList, commands.savePlayList, commands.playDemo, commands.playList,
                            commands.playListAndExit, commands.soundOptions, commands.playbackKeys,
                            commands.globalParameters, commands.help, commands.tipOfDay, commands.chooseDemoColumns,
                            commands.choosePlayColumns, commands.readOnly, commands.timeDemos, commands.loopDemos,
                            commands.showPlayList})
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
    m_commands.readOnly->setIcon(LockIcon(on));
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
