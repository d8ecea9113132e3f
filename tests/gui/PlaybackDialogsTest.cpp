// The playback keys dialog and the global parameters dialog on the real main window: what they
// show, what OK, "&Default", "&Cancel" and Escape leave behind, and what reaches the play scripts
// and the configuration file.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "GuiTestSupport.h"
#include "app/MainWindow.h"
#include "app/Settings.h"
#include "playback/GlobalParamDialog.h"
#include "playback/PlayControlDialog.h"
#include "playback/plctrl.h"

using namespace guitest;

namespace {

// Runs `check` on the modal dialog the command opens, then closes whatever is still open, so that
// a dialog that fails to close cannot hang the test.
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

const char* const kChangedFastForward = "unbind kp_enter\r\n"
                                        "bind f \"vstr d_f_t\"\r\nbind kp_del \"vstr d_s_t\"\r\n"
                                        "bind kp_plus \"vstr d_f\"\r\nbind kp_minus \"vstr d_s\"\r\n"
                                        "bind p \"vstr d_p\"\r\nbind kp_5 \"vstr nextdemo\"";

} // namespace

class PlaybackDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void keysFromTheFileWaitForOk();
    void keysCommandOpensOneModalDialog();
    void globalParameters();
};

void PlaybackDialogsTest::init()
{
    // A new run of the program starts with the default bindings.
    core::KeyBindingBlock = core::DefaultKeyBindingBlock();
}

void PlaybackDialogsTest::keysFromTheFileWaitForOk()
{
    Sandbox sandbox;
    sandbox.WriteConfig("[Global]\r\nbase_folder=baseoa\r\npause_key=p\r\n");
    auto window = sandbox.Start(false);
    QVERIFY(window);
    // Keys of an earlier run prefill the dialog, but the scripts bind the defaults until OK.
    QCOMPARE(core::KeyBindingBlock, core::DefaultKeyBindingBlock());
    {
        gui::TPlayControl dialog(window.get());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Playback Control Keys"));
        const QStringList shown = {dialog.Input(0).text(), dialog.Input(1).text(), dialog.Input(2).text(),
                                   dialog.Input(3).text(), dialog.Input(4).text(), dialog.Input(5).text()};
        QCOMPARE(shown, (QStringList{QStringLiteral("kp_enter"), QStringLiteral("kp_del"), QStringLiteral("kp_plus"),
                                     QStringLiteral("kp_minus"), QStringLiteral("p"), QStringLiteral("kp_5")}));
        // "&Default" only fills the inputs; Cancel keeps everything.
        dialog.Input(0).setText(QStringLiteral("x"));
        QTest::mouseClick(&dialog.DefaultButton(), Qt::LeftButton);
        QCOMPARE(dialog.Input(0).text(), QStringLiteral("kp_enter"));
        QCOMPARE(dialog.Input(4).text(), QStringLiteral("pause"));
        QTest::mouseClick(&dialog.CancelButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(core::Settings.pause_key, std::string("p"));
        QCOMPARE(core::KeyBindingBlock, core::DefaultKeyBindingBlock());
    }
    {
        // OK without changes: the dialog's order, the stored keys, no unbind line.
        gui::TPlayControl dialog(window.get());
        QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(core::KeyBindingBlock, std::string("bind kp_enter \"vstr d_f_t\"\r\nbind kp_del \"vstr d_s_t\"\r\n"
                                                    "bind kp_plus \"vstr d_f\"\r\nbind kp_minus \"vstr d_s\"\r\n"
                                                    "bind p \"vstr d_p\"\r\nbind kp_5 \"vstr nextdemo\""));
    }
    {
        // A changed key releases the old one first.
        gui::TPlayControl dialog(window.get());
        dialog.Input(0).setText(QStringLiteral("f"));
        QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
        QCOMPARE(core::KeyBindingBlock, std::string(kChangedFastForward));
        QCOMPARE(core::Settings.ff_key, std::string("f"));
    }
    QVERIFY(window->close());
    const std::string config = sandbox.ReadConfig();
    QVERIFY(config.find("ff_key=f\r\n") != std::string::npos);
    QVERIFY(config.find("pause_key=p\r\n") != std::string::npos);
}

void PlaybackDialogsTest::keysCommandOpensOneModalDialog()
{
    Sandbox sandbox;
    sandbox.WriteConfig("[Global]\r\nbase_folder=baseoa\r\n");
    auto window = sandbox.Start(false);
    QVERIFY(window);
    bool secondOpened = true;
    QVERIFY(WithModal<gui::TPlayControl>(window->Cmds().playbackKeys, [&](gui::TPlayControl& dialog) {
        QVERIFY(gui::TPlayControl::IsOpen());
        // The command bar's button while the dialog is open does nothing.
        window->Cmds().playbackKeys->trigger();
        secondOpened = QApplication::activeModalWidget() != &dialog;
        dialog.Input(4).setText(QStringLiteral("space"));
        QTest::keyClick(&dialog, Qt::Key_Escape);
    }));
    QVERIFY(!secondOpened);
    QVERIFY(!gui::TPlayControl::IsOpen());
    QCOMPARE(core::Settings.pause_key, std::string("pause"));
    QCOMPARE(core::KeyBindingBlock, core::DefaultKeyBindingBlock());

    QVERIFY(WithModal<gui::TPlayControl>(window->Cmds().playbackKeys, [](gui::TPlayControl& dialog) {
        dialog.Input(4).setText(QStringLiteral("space"));
        QTest::keyClick(&dialog.Input(4), Qt::Key_Return); // OK is the default button
    }));
    QCOMPARE(core::Settings.pause_key, std::string("space"));
    QVERIFY(core::KeyBindingBlock.starts_with("unbind pause\r\nbind kp_enter"));
}

void PlaybackDialogsTest::globalParameters()
{
    Sandbox sandbox;
    sandbox.WriteConfig("[Global]\r\nbase_folder=baseoa\r\nq3a_start_param=+exec myconfig\r\n");
    auto window = sandbox.Start(false);
    QVERIFY(window);
    QVERIFY(WithModal<gui::TGlobalParam>(window->Cmds().globalParameters, [](gui::TGlobalParam& dialog) {
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Add global parameter(s) for executing Q3A"));
        QCOMPARE(dialog.Input().text(), QStringLiteral("+exec myconfig"));
        dialog.Input().setText(QStringLiteral("+set r_mode 4"));
        QTest::mouseClick(&dialog.CancelButton(), Qt::LeftButton);
    }));
    QCOMPARE(core::Settings.q3a_start_param, std::string("+exec myconfig"));
    QVERIFY(WithModal<gui::TGlobalParam>(window->Cmds().globalParameters, [](gui::TGlobalParam& dialog) {
        dialog.Input().setText(QStringLiteral("+set r_mode 4"));
        QTest::keyClick(&dialog, Qt::Key_Escape);
    }));
    QCOMPARE(core::Settings.q3a_start_param, std::string("+exec myconfig"));
    // Kept as typed, inner blanks and quotes too, and with a path in the file-name encoding.
    const QString withPath = QStringLiteral("+set fs_homepath \"/home/j\u00f6rg/.q3a\"  +exec mine");
    QVERIFY(WithModal<gui::TGlobalParam>(window->Cmds().globalParameters, [&](gui::TGlobalParam& dialog) {
        dialog.Input().setText(withPath);
        QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
    }));
    QCOMPARE(core::Settings.q3a_start_param, gui::TGlobalParam::StoredParameters(withPath));
    QCOMPARE(gui::TGlobalParam::ParametersText(core::Settings.q3a_start_param), withPath);
    // Each use shows the parameters as they are now.
    QVERIFY(WithModal<gui::TGlobalParam>(window->Cmds().globalParameters, [&](gui::TGlobalParam& dialog) {
        QCOMPARE(dialog.Input().text(), withPath);
        dialog.reject();
    }));
    QVERIFY(window->close());
    QVERIFY(sandbox.ReadConfig().find("q3a_start_param=" + gui::TGlobalParam::StoredParameters(withPath) + "\r\n") !=
            std::string::npos);
}

VELMORA_GUI_TEST(PlaybackDialogsTest)
#include "PlaybackDialogsTest.moc"
