#pragma once
// The main window's commands, shared by the main menu and the command bar. Each action carries
// the menu's text and the command bar's tool tip. Commands whose work belongs to other parts of
// the program (playing, sound options, playback keys, game parameters, version switching, the
// column chooser) are created here and connected by those parts.
#include <QAction>
#include <QActionGroup>

class QMenuBar;

namespace gui {

struct Commands {
    explicit Commands(QObject* owner);

    // "&Demo Play"
    QAction* playList = nullptr;        // "Play current Playlist", Ctrl+P
    QAction* playListAndExit = nullptr; // "Play current Playlist && Exit Velmora", Ctrl+Q
    QAction* loadPlayList = nullptr;    // Ctrl+L
    QAction* savePlayList = nullptr;    // Ctrl+S
    QAction* exit = nullptr;
    // "&Options"
    QAction* noSplash = nullptr;
    QAction* noHints = nullptr;
    QAction* modDemos = nullptr;
    QAction* showPlayList = nullptr;
    QAction* timeDemos = nullptr;
    QAction* loopDemos = nullptr;
    QAction* soundOptions = nullptr;
    QAction* clipOptions = nullptr; // "Play from here" and the moments' clip margins
    // "&Tools"
    QAction* playbackKeys = nullptr;
    QAction* globalParameters = nullptr;
    QAction* readOnly = nullptr;
    QAction* versionIs127 = nullptr;
    QAction* versionIs117 = nullptr;
    QAction* restore127 = nullptr;
    QAction* restore117 = nullptr;
    // "&Help"
    QAction* help = nullptr; // F1 anywhere in the window
    QAction* tipOfDay = nullptr;
    QAction* about = nullptr;
    // Command bar only
    QAction* playDemo = nullptr; // "Play it"
    QAction* chooseDemoColumns = nullptr;
    QAction* choosePlayColumns = nullptr;

    // Builds "&Demo Play", "&Options", "&Tools" and "&Help".
    void BuildMenus(QMenuBar& bar);
    // Check mark and tool tips of the read-only command.
    void ShowReadOnly(bool on) const;
    // Check mark and tool tip of the play list command.
    void ShowPlayListShown(bool shown) const;

    QMenu* demoPlayMenu = nullptr;
};

} // namespace gui
