#include "gui/common/Commands.h"

#include <QMenu>
#include <QMenuBar>

#include <utility>

#include "gui/common/CommandIcons.h"

namespace gui {
namespace {

QAction* Make(QObject* owner, const char* text, const char* toolTip = nullptr, const QKeySequence& key = {},
              bool checkable = false)
{
    auto* action = new QAction(QString::fromLatin1(text), owner);
    if (toolTip)
        action->setToolTip(QString::fromLatin1(toolTip));
    if (!key.isEmpty())
        action->setShortcut(key);
    action->setCheckable(checkable);
    return action;
}

// The commands' own drawings. The column choosers take theirs from the command bar, which knows
// the lists' colours.
void ShowDrawings(const Commands& commands)
{
    // clang-format off
    const std::pair<QAction*, const char*> drawings[] = {
        {commands.loadPlayList,     "playlist-load"},
        {commands.savePlayList,     "playlist-save"},
        {commands.playDemo,         "play"},
        {commands.playList,         "playlist-play"},
        {commands.playListAndExit,  "playlist-play-exit"},
        {commands.soundOptions,     "sound"},
        {commands.clipOptions,      "clip-options"},
        {commands.playbackKeys,     "playback-keys"},
        {commands.globalParameters, "game-parameters"},
        {commands.help,             "help"},
        {commands.tipOfDay,         "tip"},
        {commands.exit,             "exit"},
        {commands.about,            "about"},
    };
    const std::pair<QAction*, const char*> switches[] = {
        {commands.readOnly,         "read-only"},
        {commands.timeDemos,        "timedemo"},
        {commands.loopDemos,        "loop"},
        {commands.showPlayList,     "playlist-pane"},
    };
    // clang-format on
    for (const auto& [action, name] : drawings)
        action->setIcon(CommandIcon(name));
    for (const auto& [action, name] : switches) {
        action->setIcon(SwitchIcon(name));
        // In the menus the switches show a check mark; a picture there would take its place.
        action->setIconVisibleInMenu(false);
    }
}

} // namespace

Commands::Commands(QObject* owner)
{
    playList = Make(owner, "Play current Playlist", "Play Current List", QKeySequence(Qt::CTRL | Qt::Key_P));
    playListAndExit = Make(owner, "Play current Playlist && Exit Velmora", "Play Current List & exit",
                           QKeySequence(Qt::CTRL | Qt::Key_Q));
    loadPlayList = Make(owner, "Load Playlist..", "Load Play List", QKeySequence(Qt::CTRL | Qt::Key_L));
    savePlayList = Make(owner, "Save Playlist..", "Save Play List", QKeySequence(Qt::CTRL | Qt::Key_S));
    exit = Make(owner, "Exit");
    noSplash = Make(owner, "No Splash Screen", nullptr, {}, true);
    noHints = Make(owner, "No more Hints at my Cursor", nullptr, {}, true);
    modDemos = Make(owner, "Play Demos as Mod Demos", nullptr, {}, true);
    showPlayList = Make(owner, "Show Playlist", "Hide Play List", {}, true);
    timeDemos = Make(owner, "Hardware Stress Test (Timedemo)", "enable timedemo", {}, true);
    loopDemos = Make(owner, "Loop Demos", "enable loop demos", {}, true);
    soundOptions = Make(owner, "Sound Options..", "Sound Options");
    clipOptions = Make(owner, "Clip Options..", "Clip Options");
    playbackKeys = Make(owner, "Demo Playback Control Keys..", "Demo playback control keys");
    globalParameters = Make(owner, "Global Command Line Parameters..", "Global command line parameters");
    readOnly = Make(owner, "Work in Read Only Mode", nullptr, {}, true);
    auto* versions = new QActionGroup(owner);
    versionIs127 = versions->addAction(Make(owner, "Q3A version is now 1.27", nullptr, {}, true));
    versionIs117 = versions->addAction(Make(owner, "Q3A version is now 1.17", nullptr, {}, true));
    auto* restores = new QActionGroup(owner);
    restore127 = restores->addAction(Make(owner, "Restore version 1.27 on Exit", nullptr, {}, true));
    restore117 = restores->addAction(Make(owner, "Restore version 1.17 on Exit", nullptr, {}, true));
    help = Make(owner, "&Help", "Help", QKeySequence(Qt::Key_F1));
    tipOfDay = Make(owner, "Tip of the Day", "Tip of the day");
    about = Make(owner, "&About");
    playDemo = Make(owner, "Play it", "Play it");
    chooseDemoColumns = Make(owner, "Choose demolist columns", "Choose demolist columns");
    choosePlayColumns = Make(owner, "Choose playlist columns", "Choose playlist columns");
    versionIs127->setChecked(true);
    restore127->setChecked(true);
    ShowDrawings(*this);
}

void Commands::BuildMenus(QMenuBar& bar)
{
    QMenu* demoPlay = bar.addMenu(QStringLiteral("&Demo Play"));
    demoPlayMenu = demoPlay;
    demoPlay->addAction(playList);
    demoPlay->addAction(playListAndExit);
    demoPlay->addSeparator();
    demoPlay->addAction(loadPlayList);
    demoPlay->addAction(savePlayList);
    demoPlay->addSeparator();
    demoPlay->addAction(exit);

    QMenu* options = bar.addMenu(QStringLiteral("&Options"));
    options->addAction(noSplash);
    options->addAction(noHints);
    options->addSeparator();
    options->addAction(modDemos);
    options->addAction(showPlayList);
    options->addSeparator();
    options->addAction(timeDemos);
    options->addAction(loopDemos);
    options->addSeparator();
    options->addAction(soundOptions);
    options->addAction(clipOptions);

    QMenu* tools = bar.addMenu(QStringLiteral("&Tools"));
    tools->addAction(playbackKeys);
    tools->addAction(globalParameters);
    tools->addSeparator();
    tools->addAction(readOnly);
    tools->addSeparator();
    QMenu* version = tools->addMenu(QStringLiteral("Active Q3A version"));
    version->addAction(versionIs127);
    version->addAction(versionIs117);
    version->addSeparator();
    version->addAction(restore127);
    version->addAction(restore117);

    QMenu* helpMenu = bar.addMenu(QStringLiteral("&Help"));
    helpMenu->addAction(help);
    helpMenu->addAction(tipOfDay);
    helpMenu->addSeparator();
    helpMenu->addAction(about);
}

void Commands::ShowReadOnly(bool on) const
{
    readOnly->setChecked(on);
    readOnly->setToolTip(on ? QStringLiteral("Change working mode to \"write enable\"")
                            : QStringLiteral("Change working mode to \"readonly\""));
}

void Commands::ShowPlayListShown(bool shown) const
{
    showPlayList->setChecked(shown);
    showPlayList->setToolTip(shown ? QStringLiteral("Hide Play List") : QStringLiteral("Show Play List"));
}

} // namespace gui
