// The playing commands and dialogs of the real main window. The game is a small program in the
// sandbox that writes down how it was started.
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>

#include "core/library/FolderTreeOps.h"
#include "core/playback/PlaybackKeys.h"
#include "core/playback/RunningGame.h"
#include "core/settings/Settings.h"
#include "gui/app/BoxMessageSink.h"
#include "gui/app/CommandBar.h"
#include "gui/app/MainWindow.h"
#include "gui/common/BusyScope.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/PlayListPane.h"
#include "gui/playback/GameParametersDialog.h"
#include "gui/playback/PlaybackKeysDialog.h"
#include "gui/tree/FolderTreePane.h"
#include "platform/GameProcess.h"
#include "support/DemoBuilder.h"
#include "support/HuffmanEncoder.h"
#include "support/Recorder.h"
#include "support/gui/GuiTestSupport.h"

using namespace guitest;
namespace fs = std::filesystem;

namespace {

// Runs `check` on the modal dialog the command opens; a dialog left open is closed after a while so
// that a fault cannot hang the test.
template <class Dialog> bool WithModal(QAction* command, const std::function<void(Dialog&)>& check)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            seen = true;
            check(*dialog);
        }
    });
    QTimer::singleShot(3000, [] {
        while (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    command->trigger();
    return seen;
}

// The original game's program (1.27, which plays the ".dm_48" demos of these tests) records its
// arguments, one a line, in "started.txt" of its working folder.
void InstallRecordingGame(const Sandbox& sandbox, int secondsToStay = 0)
{
    std::ofstream(sandbox.Game() / "baseoa" / "pak4.pk3") << "4";
    const fs::path engine = sandbox.Game() / "quake3.x86";
    std::ofstream(engine, std::ios::trunc)
        << "#!/bin/sh\nprintf '%s\\n' \"$@\" > s.part && mv s.part started.txt\nsleep " << secondsToStay << "\n";
    fs::permissions(engine, fs::perms::owner_all);
}

int RowNamed(const gui::ListPane& pane, const char* name)
{
    return static_cast<int>(Names(pane).indexOf(QString::fromLatin1(name)));
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

class PlaybackTest : public QObject {
    Q_OBJECT
private slots:
    void keysDialogBindsTheDefaultsUntilOk();
    void globalParametersDialog();
    void playCommands();
    void failedGameStartKeepsTheWindowOpen();
    void demoOfAModThatIsNotInstalledIsRefusedInABox();
    void versionMenu();
    void versionSwitchOfARunningGameKeepsTheWindowBusy();
};

void PlaybackTest::keysDialogBindsTheDefaultsUntilOk()
{
    core::KeyBindingBlock = core::DefaultKeyBindingBlock(); // as at every program start
    Sandbox sandbox;
    sandbox.WriteConfig("[Global]\r\nbase_folder=baseoa\r\npause_key=p\r\n");
    auto window = sandbox.Start(false);
    QVERIFY(window);
    {
        // Keys of an earlier run prefill the dialog; "&Default" fills the inputs only.
        gui::PlaybackKeysDialog dialog(window.get());
        const char* shown[] = {"kp_enter", "kp_del", "kp_plus", "kp_minus", "p", "kp_5"};
        for (int i = 0; i < core::kPlaybackKeyCount; ++i)
            QCOMPARE(dialog.Input(i).text(), QString::fromLatin1(shown[i]));
        QTest::mouseClick(&dialog.DefaultButton(), Qt::LeftButton);
        QCOMPARE(dialog.Input(4).text(), QStringLiteral("pause"));
        QTest::mouseClick(&dialog.CancelButton(), Qt::LeftButton);
        QCOMPARE(core::Settings.pause_key, std::string("p"));
        QCOMPARE(core::KeyBindingBlock, core::DefaultKeyBindingBlock());
    }
    // OK without changes binds the stored keys in the dialog's order, releasing nothing. The
    // command does nothing while its dialog is open.
    bool secondOpened = true;
    QVERIFY(WithModal<gui::PlaybackKeysDialog>(window->Cmds().playbackKeys, [&](gui::PlaybackKeysDialog& dialog) {
        window->Cmds().playbackKeys->trigger();
        secondOpened = QApplication::activeModalWidget() != &dialog;
        QTest::keyClick(&dialog.Input(0), Qt::Key_Return);
    }));
    QVERIFY(!secondOpened && !gui::PlaybackKeysDialog::IsOpen());
    QCOMPARE(core::KeyBindingBlock, std::string("bind kp_enter \"vstr d_f_t\"\r\nbind kp_del \"vstr d_s_t\"\r\n"
                                                "bind kp_plus \"vstr d_f\"\r\nbind kp_minus \"vstr d_s\"\r\n"
                                                "bind p \"vstr d_p\"\r\nbind kp_5 \"vstr nextdemo\""));
    // A changed key is released first; Escape changes nothing.
    QVERIFY(WithModal<gui::PlaybackKeysDialog>(window->Cmds().playbackKeys, [](gui::PlaybackKeysDialog& dialog) {
        dialog.Input(0).setText(QStringLiteral("f"));
        QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
    }));
    QVERIFY(core::KeyBindingBlock.starts_with("unbind kp_enter\r\nbind f \"vstr d_f_t\"\r\n"));
    QVERIFY(WithModal<gui::PlaybackKeysDialog>(window->Cmds().playbackKeys, [](gui::PlaybackKeysDialog& dialog) {
        dialog.Input(0).setText(QStringLiteral("g"));
        QTest::keyClick(&dialog, Qt::Key_Escape);
    }));
    QCOMPARE(core::Settings.ff_key, std::string("f"));
    QVERIFY(window->close());
    QVERIFY(Contains(sandbox.ReadConfig(), "ff_key=f\r\n"));
    core::KeyBindingBlock = core::DefaultKeyBindingBlock();
}

void PlaybackTest::globalParametersDialog()
{
    Sandbox sandbox;
    sandbox.WriteConfig("[Global]\r\nbase_folder=baseoa\r\nq3a_start_param=+exec myconfig\r\n");
    auto window = sandbox.Start(false);
    QVERIFY(window);
    QVERIFY(
        WithModal<gui::GameParametersDialog>(window->Cmds().globalParameters, [](gui::GameParametersDialog& dialog) {
            QCOMPARE(dialog.Input().text(), QStringLiteral("+exec myconfig"));
            dialog.Input().setText(QStringLiteral("+set r_mode 4"));
            QTest::keyClick(&dialog, Qt::Key_Escape);
        }));
    QCOMPARE(core::Settings.q3a_start_param, std::string("+exec myconfig"));
    // Kept as typed, and a path in the encoding the game's command line takes.
    const QString typed = QStringLiteral("+set fs_homepath \"/home/j\u00f6rg/.q3a\"  +exec mine");
    QVERIFY(
        WithModal<gui::GameParametersDialog>(window->Cmds().globalParameters, [&](gui::GameParametersDialog& dialog) {
            dialog.Input().setText(typed);
            QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
        }));
    QCOMPARE(core::Settings.q3a_start_param, std::string("+set fs_homepath \"/home/j\xc3\xb6rg/.q3a\"  +exec mine"));
    QVERIFY(window->close());
    QVERIFY(Contains(sandbox.ReadConfig(), "q3a_start_param=" + core::Settings.q3a_start_param + "\r\n"));
}

void PlaybackTest::playCommands()
{
    Sandbox sandbox;
    InstallRecordingGame(sandbox);
    const fs::path demos = sandbox.Game() / "baseoa" / "demos";
    const fs::path started = sandbox.Game() / "started.txt";
    const fs::path script = sandbox.Game() / "baseoa" / "vmrtmp.vmr";
    sandbox.AddDemo(demos / "inplace.dm_48");
    sandbox.AddDemo(sandbox.Game() / "new.dm_48", 48);
    sandbox.AddDemo(sandbox.Game() / "old.dm3", 45);
    sandbox.WriteConfig("[Global]\r\nbase_folder=baseoa\r\nq3a_start_param=+exec mine\r\n[Demos]\r\ntime_demos=1\r\n");
    auto window = sandbox.Start();
    QVERIFY(window);
    gui::Commands& commands = window->Cmds();
    testsupport::RecordingSink messages;

    // The toggles: check mark and command bar tool tip follow the option.
    auto* timeButton = qobject_cast<QToolButton*>(window->Bar().widgetForAction(commands.timeDemos));
    QVERIFY(timeButton);
    QCOMPARE(timeButton->toolTip(), QStringLiteral("disable timedemo"));
    QTest::mouseClick(timeButton, Qt::LeftButton);
    QVERIFY(!core::Settings.time_demos && !commands.timeDemos->isChecked());
    QCOMPARE(timeButton->toolTip(), QStringLiteral("enable timedemo"));
    commands.loopDemos->trigger();
    QVERIFY(core::Settings.loop_demos && commands.loopDemos->isChecked());
    QCOMPARE(commands.loopDemos->toolTip(), QStringLiteral("disable loop demos"));
    commands.modDemos->trigger();
    QVERIFY(!core::Settings.mod_demos && !commands.modDemos->isChecked());

    // "Play it" on the command bar: not from inside another command's wait; then in place,
    // looping, the user's parameters before the script's "+exec".
    gui::DemoListPane& list = window->DemoList();
    window->ListNode(core::FindNodeByPath(window->TreePane().Tree(), demos.string()));
    list.SelectRows({0}, false);
    {
        const gui::BusyScope busy;
        commands.playDemo->trigger();
    }
    QVERIFY(!fs::exists(script));
    commands.playDemo->trigger();
    QTRY_VERIFY(fs::exists(started));
    QCOMPARE(ReadFile(started), std::string("+exec\nmine\n+exec\nvmrtmp.vmr\n"));
    QVERIFY(Contains(ReadFile(script), "timedemo 0\r\nset end quit\r\nset d1 \"demo inplace.dm_48; set actualdemo echo "
                                       "Demo ^3inplace.dm_48; vstr ds10; set nextdemo vstr d1\"\r\n"));
    QTRY_COMPARE(platform::Game().ChildPid(), -1);
    fs::remove(started);
    commands.loopDemos->trigger();

    // A play list of two protocol classes: the first entry's copy is made, then removed by the
    // refusal; "&& Exit" keeps the program running.
    window->ListNode(core::FindNodeByPath(window->TreePane().Tree(), sandbox.Game().string()));
    gui::PlayListPane& play = window->PlayList();
    for (const char* name : {"new.dm_48", "old.dm3"}) {
        list.SelectRows({RowNamed(list, name)}, false);
        window->MoveToPlayList();
    }
    commands.playListAndExit->trigger();
    QCOMPARE(messages.shown.size(), size_t(1));
    QCOMPARE(messages.shown[0].title, std::string("Protocol Version Mismatch in Playlist"));
    QVERIFY(window->isVisible() && !fs::exists(demos / "vmrtmp00.dm_48"));

    // "Play it" in the play list copies the demo; the whole list, once it can be played, ends
    // the program.
    play.SelectRows({RowNamed(play, "old.dm3")}, false);
    play.RemoveSelected();
    play.SelectRows({0}, false);
    play.PlayAction()->trigger();
    QTRY_VERIFY(fs::exists(started));
    QCOMPARE(ReadFile(demos / "vmrtmp00.dm_48"), ReadFile(sandbox.Game() / "new.dm_48"));
    QTRY_COMPARE(platform::Game().ChildPid(), -1);
    fs::remove(started);
    // A game still playing at the end keeps its temporary files.
    InstallRecordingGame(sandbox, 1);
    commands.playListAndExit->trigger();
    QVERIFY(!window->isVisible());
    QTRY_VERIFY(fs::exists(started));
    QVERIFY(Contains(ReadFile(script), "Demo #^21^7 of ^21^7: ^3new.dm_48; vstr ds10; set nextdemo vstr end\"\r\n"));
    QVERIFY(fs::exists(demos / "vmrtmp00.dm_48"));
    QCOMPARE(messages.shown.size(), size_t(1));
    QTRY_COMPARE_WITH_TIMEOUT(platform::Game().ChildPid(), -1, 5000);
}

void PlaybackTest::failedGameStartKeepsTheWindowOpen()
{
    // The original game under Wine, which is not installed.
    Sandbox sandbox;
    std::ofstream(sandbox.Game() / "baseoa" / "pak4.pk3") << "4";
    std::ofstream(sandbox.Game() / "quake3.exe") << "MZ";
    sandbox.AddDemo(sandbox.Game() / "new.dm_48", 48);
    sandbox.WriteConfig("[Global]\r\nbase_folder=baseoa\r\n");
    auto window = sandbox.Start();
    QVERIFY(window);
    testsupport::RecordingSink messages;
    gui::DemoListPane& list = window->DemoList();
    window->ListNode(core::FindNodeByPath(window->TreePane().Tree(), sandbox.Game().string()));
    list.SelectRows({RowNamed(list, "new.dm_48")}, false);
    window->MoveToPlayList();

    const char* path = std::getenv("PATH");
    const std::string savedPath = path ? path : "";
    ::setenv("PATH", (sandbox.Root() / "no-wine").c_str(), 1);
    window->Cmds().playListAndExit->trigger();
    ::setenv("PATH", savedPath.c_str(), 1);
    QCOMPARE(messages.shown.size(), size_t(1));
    QCOMPARE(messages.shown[0].title, std::string("Game Start ERROR"));
    QVERIFY(window->isVisible());
    QCOMPARE(window->PlayList().Model().Rows().size(), size_t(1));
}

void PlaybackTest::demoOfAModThatIsNotInstalledIsRefusedInABox()
{
    // A CPMA match (its game code names itself "cpma-1"), and the engine, which would only show a
    // black screen for it.
    Sandbox sandbox;
    const fs::path engine = sandbox.Game() / "ioquake3";
    std::ofstream(engine, std::ios::trunc) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > started.txt\n";
    fs::permissions(engine, fs::perms::owner_all);
    testsupport::WriteBytes(
        (sandbox.Game() / "duel.dm_68").string(),
        testsupport::ModernDemoFile(
            {testsupport::ModernMessageBuilder(0)
                 .BeginGameState(1)
                 .ConfigString(0, "\\sv_hostname\\CPMA\\protocol\\68\\mapname\\cpm22\\gamename\\cpma")
                 .ConfigString(20, "cpma-1")
                 .EndGameState()
                 .Payload(),
             testsupport::ModernMessageBuilder(0).Snapshot(3000).End().Payload()}));
    sandbox.WriteConfig("[Global]\r\nbase_folder=baseoa\r\n");
    auto window = sandbox.Start();
    QVERIFY(window);
    gui::BoxMessageSink boxes;
    boxes.SetParent(window.get());
    gui::SetMessageSink(&boxes);
    gui::DemoListPane& list = window->DemoList();
    window->ListNode(core::FindNodeByPath(window->TreePane().Tree(), sandbox.Game().string()));
    list.SelectRows({RowNamed(list, "duel.dm_68")}, false);

    QString title, text;
    const bool shown = WithModal<QMessageBox>(window->Cmds().playDemo, [&](QMessageBox& box) {
        title = box.windowTitle();
        text = box.text();
        box.accept();
    });
    gui::SetMessageSink(nullptr);
    QVERIFY(shown);
    QCOMPARE(title, QStringLiteral("Demo Mod not Installed"));
    QVERIFY2(text.startsWith(QStringLiteral("The demo \"duel.dm_68\" was recorded with the mod \"cpma\", which is "
                                            "not installed")),
             qPrintable(text));
    QVERIFY(text.contains(QString::fromStdString(sandbox.Game().string())));
    QTest::qWait(300);
    QVERIFY(!fs::exists(sandbox.Game() / "started.txt"));
    QVERIFY(!fs::exists(sandbox.Game() / "baseoa" / "vmrtmp.vmr"));
    QCOMPARE(platform::Game().ChildPid(), -1);
}

void PlaybackTest::versionMenu()
{
    Sandbox sandbox;
    const fs::path base = sandbox.Game() / "baseoa";
    std::ofstream(base / "pak4.pk3") << "4"; // an engine and packs, no original game
    sandbox.WriteConfig("[Global]\r\nbase_folder=baseoa\r\n");
    auto window = sandbox.Start(false);
    QVERIFY(window);
    gui::Commands& commands = window->Cmds();
    QMenu* versionMenu = nullptr;
    for (QObject* owner : commands.versionIs127->associatedObjects())
        versionMenu = versionMenu ? versionMenu : qobject_cast<QMenu*>(owner);
    QVERIFY(versionMenu);
    QVERIFY(!commands.versionIs127->isChecked() && !commands.versionIs117->isChecked());
    emit versionMenu->aboutToShow();
    QVERIFY(!commands.versionIs127->isEnabled() && !commands.versionIs117->isEnabled());
    QVERIFY(!commands.versionIs127->isChecked() && !commands.versionIs117->isChecked());

    // The original game's program beside the engine: a plain 1.27 game.
    std::ofstream(sandbox.Game() / "quake3.x86") << "new";
    fs::permissions(sandbox.Game() / "quake3.x86", fs::perms::owner_all);
    emit versionMenu->aboutToShow();
    QVERIFY(commands.versionIs127->isChecked() && !commands.versionIs127->isEnabled());

    // The second version, installed while the program runs, is seen when the menu opens.
    std::ofstream(sandbox.Game() / "oldversion") << "old";
    std::ofstream(base / "pak5.pk3") << "5";
    emit versionMenu->aboutToShow();
    QVERIFY(commands.versionIs117->isEnabled() && commands.versionIs127->isChecked());
    commands.versionIs117->trigger();
    QVERIFY(commands.versionIs117->isChecked());
    QCOMPARE(ReadFile(sandbox.Game() / "quake3.x86"), std::string("old"));
    QCOMPARE(ReadFile(sandbox.Game() / "newversion"), std::string("new"));
    QCOMPARE(ReadFile(sandbox.Game() / "ioquake3"), std::string("#!/bin/sh\nexit 0\n"));
    QVERIFY(fs::exists(base / "pak4.zip") && fs::exists(sandbox.Game() / "newversion"));

    // Either restore entry flips the choice; closing leaves the version it names.
    commands.restore117->trigger();
    QVERIFY(!core::Settings.restore_new_version && commands.restore117->isChecked());
    commands.restore117->trigger();
    QVERIFY(core::Settings.restore_new_version && commands.restore127->isChecked());
    QVERIFY(window->close());
    QCOMPARE(ReadFile(sandbox.Game() / "oldversion"), std::string("old"));
    QVERIFY(fs::exists(base / "pak4.pk3") && fs::exists(base / "pak5.pk3"));
}

void PlaybackTest::versionSwitchOfARunningGameKeepsTheWindowBusy()
{
    Sandbox sandbox;
    const fs::path base = sandbox.Game() / "baseoa";
    for (const char* pack : {"pak0.pk3", "pak4.pk3", "pak5.pk3"})
        std::ofstream(base / pack) << pack;
    // Both versions stay until the console asks them to quit.
    for (const char* program : {"quake3.x86", "oldversion"}) {
        std::ofstream(sandbox.Game() / program)
            << "#!/bin/sh\nwhile IFS= read -r line; do [ \"$line\" = quit ] && exit 0; done\nsleep 30\n";
        fs::permissions(sandbox.Game() / program, fs::perms::owner_all);
    }
    sandbox.WriteConfig("[Global]\r\nbase_folder=baseoa\r\n");
    auto window = sandbox.Start(false);
    QVERIFY(window);
    const core::PlaybackSettings playback = core::PlaybackSettingsFor(core::Settings);
    QVERIFY(core::StartGame((sandbox.Game() / "quake3.x86").string(), "", playback).ok());

    // The switch closes the game, renames in passes and waits for the game again, handling the
    // window's events all along: none of them may find the window idle, and a close is refused.
    const std::function<void()> pump = core::Hooks().pump;
    int lowest = 1000;
    int pumps = 0;
    bool closed = false;
    core::Hooks().pump = [&] {
        lowest = std::min(lowest, gui::BusyCount.load());
        if (++pumps == 1)
            closed = window->close();
        pump();
    };
    window->Cmds().versionIs117->trigger();
    core::Hooks().pump = pump;
    QVERIFY(window->Cmds().versionIs117->isChecked());
    QVERIFY(fs::exists(sandbox.Game() / "newversion") && fs::exists(base / "pak4.zip"));
    QVERIFY(pumps > 0);
    QCOMPARE(lowest, 1);
    QVERIFY(!closed);
    QCOMPARE(gui::BusyCount.load(), 0);
    platform::Game().Close(std::chrono::milliseconds(2000));
}

VELMORA_GUI_TEST(PlaybackTest)
#include "PlaybackTest.moc"
