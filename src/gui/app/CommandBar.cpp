#include "gui/app/CommandBar.h"

#include "gui/common/CommandIcons.h"
#include "gui/common/Commands.h"

namespace gui {

CommandBar::CommandBar(Commands& commands, QWidget* parent)
    : QToolBar(QStringLiteral("Velmora Command Bar"), parent), m_commands(commands)
{
    setObjectName(QStringLiteral("VelmoraCommandBar"));
    setMovable(true);
    setFloatable(false);
    setAllowedAreas(Qt::AllToolBarAreas);
    for (QAction* action :
         {commands.loadPlayList, commands.savePlayList, commands.playDemo, commands.playList, commands.playListAndExit,
          commands.soundOptions, commands.playbackKeys, commands.globalParameters, commands.help, commands.tipOfDay,
          commands.chooseDemoColumns, commands.choosePlayColumns, commands.readOnly, commands.timeDemos,
          commands.loopDemos, commands.showPlayList})
        addAction(action);
    ShowListColours(Qt::white, Qt::white);
    // Without Qt's SVG icon engine the commands have no pictures: the bar then shows their texts.
    if (commands.playDemo->icon().isNull())
        setToolButtonStyle(Qt::ToolButtonTextOnly);
    ShowReadOnly(true);
}

void CommandBar::ShowListColours(const QColor& demoList, const QColor& playList)
{
    m_commands.chooseDemoColumns->setIcon(ColumnsIcon("columns-demolist", demoList));
    m_commands.choosePlayColumns->setIcon(ColumnsIcon("columns-playlist", playList));
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
