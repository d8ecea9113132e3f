// The playing commands of the real main window: the option toggles, "Play it" from both lists,
// "Play current Playlist" (also "&& Exit Velmora") and its refusals, and the version menu. The game
// is a small program in the sandbox that writes down how it was started.
#include <QMenu>
#include <QTest>
#include <QToolButton>

#include <fstream>

#include "GuiTestSupport.h"
#include "app/MainWindow.h"
#include "app/Settings.h"
#include "common/Globals.h"
#include "library/NodeUtil.h"
#include "lists/DemoListPane.h"
#include "lists/PlayListPane.h"
#include "platform/GameProcess.h"
#include "playback/VersionSwitch.h"
#include "support/Recorder.h"
#include "tree/FolderTreePane.h"
#include "window/CommandBar.h"

using namespace guitest;
namespace fs = std::filesystem;

namespace {

// The game: records its arguments, one a line, in "started.txt" of its working folder.
void InstallRecordingGame(const Sandbox& sandbox)
{
    const fs::path engine = sandbox.Game() / "ioquake3";
    std::ofstream(engine, std::ios::trunc) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > started.part && mv started.part "
                                              "started.txt\n";
    fs::permissions(engine, fs::perms::owner_all);
}

fs::path StartedFile(const Sandbox& sandbox)
{
    return sandbox.Game() / "started.txt";
}

fs::path Script(const Sandbox& sandbox)
{
    return sandbox.Game() / "baseoa" / "vmrtmp.vmr";
}

QAction* ToolBarAction(gui::TForm1& window, QAction* action, QToolButton** button)
{
    *button = qobject_cast<QToolButton*>(window.Bar().widgetForAction(action));
    return action;
}

int RowNamed(const gui::ListPane& pane, const char* name)
{
    return static_cast<int>(Names(pane).indexOf(QString::fromLatin1(name)));
}

} // namespace

class PlaybackCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void togglesFollowTheSettings();
    void playItFromBothListsStartsTheGame();
    void refusedPlayListStartsNothing();
    void playListAndExit();
    void versionMenu();
};

void PlaybackCommandsTest::togglesFollowTheSettings()
{
    Sandbox sandbox;
    sandbox.WriteConfig("[Global]\r\nbase_folder=baseoa\r\n[Demos]\r\ntime_demos=1\r\nloop_demos=0\r\nmod_demos=1\r\n");
    auto window = sandbox.Start();
    QVERIFY(window);
    gui::Commands& commands = window->Cmds();
    QToolButton* timeButton = nullptr;
    QToolButton* loopButton = nullptr;
    ToolBarAction(*window, commands.timeDemos, &timeButton);
    ToolBarAction(*window, commands.loopDemos, &loopButton);
    QVERIFY(timeButton && loopButton);

    // Start-up: the marks and tool tips say what a click would do.
    QVERIFY(commands.timeDemos->isChecked());
    QCOMPARE(timeButton->toolTip(), QStringLiteral("disable timedemo"));
    QVERIFY(!commands.loopDemos->isChecked());
    QCOMPARE(loopButton->toolTip(), QStringLiteral("enable loop demos"));
    QVERIFY(commands.modDemos->isChecked());

    QTest::mouseClick(timeButton, Qt::LeftButton);
    QVERIFY(!core::Settings.time_demos);
    QVERIFY(!commands.timeDemos->isChecked());
    QCOMPARE(timeButton->toolTip(), QStringLiteral("enable timedemo"));
    commands.loopDemos->trigger(); // the menu entry
    QVERIFY(core::Settings.loop_demos);
    QVERIFY(loopButton->isChecked());
    QCOMPARE(loopButton->toolTip(), QStringLiteral("disable loop demos"));
    commands.modDemos->trigger();
    QVERIFY(!core::Settings.mod_demos);
    QVERIFY(!commands.modDemos->isChecked());
    commands.loopDemos->trigger();
    commands.loopDemos->trigger();
    QVERIFY(core::Settings.loop_demos && commands.loopDemos->isChecked());

    QVERIFY(window->close());
    const std::string config = sandbox.ReadConfig();
    QVERIFY(config.find("time_demos=0\r\n") != std::string::npos);
    QVERIFY(config.find("loop_demos=1\r\n") != std::string::npos);
    QVERIFY(config.find("mod_demos=0\r\n") != std::string::npos);
}

void PlaybackCommandsTest::playItFromBothListsStartsTheGame()
{
    Sandbox sandbox;
    InstallRecordingGame(sandbox);
    sandbox.AddDemo(sandbox.Game() / "baseoa" / "demos" / "inplace.dm_48");
    sandbox.AddDemo(sandbox.Game() / "elsewhere.dm_48");
    sandbox.WriteConfig("[Global]\r\nbase_folder=baseoa\r\nq3a_start_param=+exec mine\r\n[Demos]\r\nloop_demos=1\r\n");
    auto window = sandbox.Start();
    QVERIFY(window);

    // From the demo list through the command bar: played where it lies, looping.
    gui::DemoListPane& demos = window->DemoList();
    window->ListNode(core::FindNodeByPath(window->TreePane().Tree(), (sandbox.Game() / "baseoa" / "demos").string()));
    QCOMPARE(Names(demos), QStringList{QStringLiteral("inplace.dm_48")});
    QVERIFY(!window->Cmds().playDemo->isEnabled());
    demos.SelectRows({0}, false);
    QVERIFY(window->Cmds().playDemo->isEnabled());
    // Not from inside another command's wait for the game.
    core::BusyCount = 1;
    window->Cmds().playDemo->trigger();
    core::BusyCount = 0;
    QVERIFY(!fs::exists(Script(sandbox)));
    window->Cmds().playDemo->trigger();
    QTRY_VERIFY(fs::exists(StartedFile(sandbox)));
    // The user's parameters come first, so their own "+exec" runs before the play script.
    QCOMPARE(ReadFile(StartedFile(sandbox)), std::string("+exec\nmine\n+exec\nvmrtmp.vmr\n"));
    const std::string script = ReadFile(Script(sandbox));
    QVERIFY(script.find("set d1 \"demo inplace.dm_48; set actualdemo echo Demo ^3inplace.dm_48; vstr ds10; set "
                        "nextdemo vstr d1\"\r\n") != std::string::npos);
    QVERIFY(!fs::exists(sandbox.Game() / "baseoa" / "demos" / "vmrtmp00.dm_48"));
    fs::remove(StartedFile(sandbox));
    // Once it has ended, the next play starts a new game rather than handing it the script.
    QTRY_COMPARE(platform::Game().ChildPid(), -1);

    // From the play list's context menu: a demo outside the game is copied first.
    window->ListNode(core::FindNodeByPath(window->TreePane().Tree(), sandbox.Game().string()));
    demos.SelectRows({RowNamed(demos, "elsewhere.dm_48")}, false);
    window->MoveToPlayList();
    gui::PlayListPane& play = window->PlayList();
    QCOMPARE(Names(play), QStringList{QStringLiteral("elsewhere.dm_48")});
    play.SelectRows({0}, false);
    QVERIFY(play.PlayAction()->isEnabled());
    window->Cmds().loopDemos->trigger();
    play.PlayAction()->trigger();
    QTRY_VERIFY(fs::exists(StartedFile(sandbox)));
    QCOMPARE(ReadFile(sandbox.Game() / "baseoa" / "demos" / "vmrtmp00.dm_48"),
             ReadFile(sandbox.Game() / "elsewhere.dm_48"));
    QVERIFY(ReadFile(Script(sandbox))
                .find("set d1 \"demo vmrtmp00.dm_48; set actualdemo echo Playing demo: "
                      "^3elsewhere.dm_48; vstr ds10; set nextdemo vstr end\"\r\n") != std::string::npos);
    QTRY_COMPARE(platform::Game().ChildPid(), -1);
    QVERIFY(window->close());
    // The game has ended, so the temporary files go.
    QVERIFY(!fs::exists(sandbox.Game() / "baseoa" / "demos" / "vmrtmp00.dm_48"));
    QVERIFY(!fs::exists(Script(sandbox)));
}

void PlaybackCommandsTest::refusedPlayListStartsNothing()
{
    Sandbox sandbox;
    InstallRecordingGame(sandbox);
    sandbox.AddDemo(sandbox.Game() / "new.dm_48", 48);
    sandbox.AddDemo(sandbox.Game() / "old.dm3", 45);
    sandbox.WriteConfig("[Global]\r\nbase_folder=baseoa\r\n");
    auto window = sandbox.Start();
    QVERIFY(window);
    testsupport::RecordingSink messages;
    gui::Commands& commands = window->Cmds();

    // Empty: nothing to play, nothing said.
    QVERIFY(!commands.playList->isEnabled() && !commands.playListAndExit->isEnabled());
    commands.playList->setEnabled(true);
    commands.playList->trigger();
    QVERIFY(messages.shown.empty());
    QVERIFY(!fs::exists(Script(sandbox)));

    // Two protocol classes: the first entry is copied before the second is refused; the refusal
    // removes the copy again.
    gui::DemoListPane& demos = window->DemoList();
    demos.SelectRows({RowNamed(demos, "new.dm_48")}, false);
    window->MoveToPlayList();
    demos.SelectRows({RowNamed(demos, "old.dm3")}, false);
    window->MoveToPlayList();
    QCOMPARE(Names(window->PlayList()), (QStringList{QStringLiteral("new.dm_48"), QStringLiteral("old.dm3")}));
    QVERIFY(commands.playListAndExit->isEnabled());
    commands.playListAndExit->trigger();
    QCOMPARE(messages.shown.size(), size_t(1));
    QCOMPARE(messages.shown[0].title, std::string("Protocol Version Mismatch in Playlist"));
    QCOMPARE(messages.shown[0].text, std::string("Demo \"new.dm_48\" has protocol version 48\r\nDemo \"old.dm3\" has "
                                                 "protocol version 45\r\nPlaylist can not be played!"));
    QVERIFY(window->isVisible()); // "&& Exit" keeps the program running
    QVERIFY(!fs::exists(Script(sandbox)));
    QVERIFY(!fs::exists(sandbox.Game() / "baseoa" / "demos" / "vmrtmp00.dm_48"));

    // Thirty entries ask first; No plays nothing.
    window->PlayList().Model().Clear();
    demos.SelectRows({RowNamed(demos, "new.dm_48")}, false);
    for (int i = 0; i < 30; ++i)
        window->MoveToPlayList();
    messages.shown.clear();
    commands.playList->trigger();
    QCOMPARE(messages.shown.size(), size_t(1));
    QCOMPARE(messages.shown[0].kind, std::string("question"));
    QVERIFY(!fs::exists(Script(sandbox)));
    // None of the three started the game.
    QTest::qWait(200);
    QVERIFY(!fs::exists(StartedFile(sandbox)));
}

void PlaybackCommandsTest::playListAndExit()
{
    Sandbox sandbox;
    InstallRecordingGame(sandbox);
    sandbox.AddDemo(sandbox.Game() / "a.dm_48", 48, 200, 1);
    sandbox.AddDemo(sandbox.Game() / "b.dm_48", 48, 200, 2);
    sandbox.WriteConfig("[Global]\r\nbase_folder=baseoa\r\n");
    auto window = sandbox.Start();
    QVERIFY(window);
    window->DemoList().SelectAllRows();
    window->MoveToPlayList();
    window->Cmds().playListAndExit->trigger();
    QTRY_VERIFY(fs::exists(StartedFile(sandbox)));
    QVERIFY(!window->isVisible());
    const std::string script = ReadFile(Script(sandbox));
    QVERIFY(script.find("echo Demo #^21^7 of ^22^7: ^3b.dm_48; vstr ds10; set nextdemo vstr d2\"") !=
            std::string::npos);
    QVERIFY(script.find("echo Demo #^22^7 of ^22^7: ^3a.dm_48; vstr ds10; set nextdemo vstr end\"") !=
            std::string::npos);
    QVERIFY(sandbox.ReadConfig().find("[Demos]") != std::string::npos);
}

void PlaybackCommandsTest::versionMenu()
{
    Sandbox sandbox;
    const fs::path base = sandbox.Game() / "baseoa";
    std::ofstream(base / "pak4.pk3") << "4"; // a plain 1.27 game
    sandbox.WriteConfig("[Global]\r\nbase_folder=baseoa\r\n");
    auto window = sandbox.Start(false);
    QVERIFY(window);
    gui::Commands& commands = window->Cmds();
    QMenu* versionMenu = nullptr;
    for (QObject* owner : commands.versionIs127->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(owner))
            versionMenu = menu;
    QVERIFY(versionMenu);

    // One version: nothing to switch.
    emit versionMenu->aboutToShow();
    QVERIFY(!commands.versionIs127->isEnabled() && !commands.versionIs117->isEnabled());

    // The second version installed while the program runs is seen when the menu opens.
    std::ofstream(sandbox.Game() / "oldversion") << "old";
    std::ofstream(base / "pak5.pk3") << "5";
    emit versionMenu->aboutToShow();
    QVERIFY(commands.versionIs127->isEnabled() && commands.versionIs117->isEnabled());
    QVERIFY(commands.versionIs127->isChecked());

    commands.versionIs117->trigger();
    QVERIFY(commands.versionIs117->isChecked() && !commands.versionIs127->isChecked());
    QCOMPARE(ReadFile(sandbox.Game() / "ioquake3"), std::string("old"));
    QVERIFY(fs::exists(base / "pak4.zip") && fs::exists(base / "pak5.zip"));
    commands.versionIs117->trigger(); // already marked: nothing happens
    QVERIFY(fs::exists(sandbox.Game() / "newversion"));

    // Either restore entry flips the choice.
    QVERIFY(core::Settings.restore_new_version && commands.restore127->isChecked());
    commands.restore117->trigger();
    QVERIFY(!core::Settings.restore_new_version && commands.restore117->isChecked());
    commands.restore117->trigger();
    QVERIFY(core::Settings.restore_new_version && commands.restore127->isChecked());

    // Closing leaves the version the restore choice asks for.
    QVERIFY(window->close());
    QVERIFY(fs::exists(sandbox.Game() / "oldversion"));
    QVERIFY(fs::exists(base / "pak4.pk3") && fs::exists(base / "pak5.pk3"));
    QCOMPARE(ReadFile(sandbox.Game() / "oldversion"), std::string("old"));
}

VELMORA_GUI_TEST(PlaybackCommandsTest)
#include "PlaybackCommandsTest.moc"
