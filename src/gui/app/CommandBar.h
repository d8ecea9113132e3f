#pragma once
// "Velmora Command Bar": the tool bar with the play list, playing, option and help buttons. The
// user docks it at any of the four edges of the window.
#include <QToolBar>

namespace gui {

struct Commands;

class CommandBar : public QToolBar {
    Q_OBJECT
public:
    CommandBar(Commands& commands, QWidget* parent = nullptr);

    // The two column buttons take the background colours of their lists.
    void ShowListColours(const QColor& demoList, const QColor& playList);
    void ShowReadOnly(bool on);
    // Where it is docked: 0 top, 1 right, 2 bottom, 3 left.
    static Qt::ToolBarArea AreaOf(int dockPosition);
    static int DockPositionOf(Qt::ToolBarArea area);

private:
    Commands& m_commands;
};

} // namespace gui
