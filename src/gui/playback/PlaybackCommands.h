#pragma once
// The main window's playing commands: "Play it" from both lists and the command bar, "Play current
// Playlist" (also "&& Exit Velmora"), the option toggles with their check marks and tool tips,
// "Play Demos as Mod Demos", the "Active Q3A version" menu, the playback keys and global
// parameters dialogs. It also gives the playback core what it needs from the window while it
// works or waits for the game: the message pump and the hourglass cursor.
#include <QObject>

#include "core/playback/PlayError.h"
#include "core/row/DemoInfo.h"
#include "gui/common/BusyScope.h"

namespace gui {

class PaneHost;
struct Commands;

// Shows what a play command has to tell, as message boxes: its notices in order, then the failure
// that stopped it. True when it played.
bool ShowPlayOutcome(const core::PlayNotices& notices, const core::PlayResult& result);

// Runs a play command of the core under the busy count: it may close the game, wait for it or
// rename the version files, pumping the window's events all along, and none of them may close the
// window or start another command meanwhile. Its outcome is shown after the count went down.
template <typename Command> core::PlayResult RunPlayCommand(Command&& command)
{
    const BusyScope busy;
    return command();
}

// Enables the two version entries when both game versions are installed and puts the check mark
// where the last switch (or the start) left it, on neither without the original game.
void ShowVersionMenu(Commands& commands);

class PlaybackCommands : public QObject {
    Q_OBJECT
public:
    explicit PlaybackCommands(PaneHost& window);
    ~PlaybackCommands() override;

    // "Play it" on the selected demo list row, or on the selected play list row.
    void PlayDemoListRow();
    void PlayPlayListRow();
    // "Play current Playlist": true once the game was asked to play.
    bool PlayPlayList();
    // "Play current Playlist && Exit Velmora": the program ends only when the list was played.
    void PlayPlayListAndExit();

    // Enables the two version entries when both game versions are installed and puts the check
    // marks where the last switch (or the start) left them.
    void UpdateVersionMenu();

    // One row played the way "Play it" does, for windows that show a single demo. Ignored while a
    // long operation runs.
    static bool PlayRow(const core::DemoInfo& row);

private:
    void ShowTimedemo(bool on);
    void ShowLoopDemos(bool on);
    void ShowRestoreChoice();

    PaneHost& m_window;
};

} // namespace gui
