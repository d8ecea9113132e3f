// The main window and the tool windows on the screen: the window keeps its width while the play
// list comes and goes, a stored place comes back on a screen, every window the program opens lies
// wholly on a screen and above the window it belongs to only, the details windows take the
// keyboard, the switches show their state, and the status bar tells the folder shown and a stopped
// listing. Run once on the default screen and once more on three screens of different sizes and
// scales (see tests/CMakeLists.txt).
#include <QApplication>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionMenuItem>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

#include <filesystem>

#include "core/library/FolderTreeOps.h"
#include "core/settings/Settings.h"
#include "core/sound/OpenAlOutput.h"
#include "core/sound/SoundSystem.h"
#include "gui/app/BoxMessageSink.h"
#include "gui/app/CommandBar.h"
#include "gui/app/MainWindow.h"
#include "gui/common/BusyScope.h"
#include "gui/common/MessageSink.h"
#include "gui/common/StatusPanels.h"
#include "gui/common/WindowPlacement.h"
#include "gui/details/DemoDetails.h"
#include "gui/details/PlayerWindow.h"
#include "gui/details/PropertiesWindow.h"
#include "gui/details/UserDataEditor.h"
#include "gui/extras/HelpWindow.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/PlayListPane.h"
#include "gui/playback/GameParametersDialog.h"
#include "gui/sound/SoundOptionsWindow.h"
#include "gui/tree/FolderTreePane.h"
#include "support/Recorder.h"
#include "support/gui/GuiTestSupport.h"

using namespace guitest;
namespace fs = std::filesystem;

namespace {

// Records the widest a widget has been since it was watched.
class WidthWatch : public QObject {
public:
    explicit WidthWatch(QWidget& widget) : m_widget(widget)
    {
        widest = widget.width();
        widget.installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_widget && event->type() == QEvent::Resize)
            widest = std::max(widest, m_widget.width());
        return false;
    }
    int widest = 0;

private:
    QWidget& m_widget;
};

// Presses Escape in `target` when `watched` is shown.
class KeyOnShow : public QObject {
public:
    KeyOnShow(QWidget& watched, QWidget& target) : m_target(target) { watched.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show && !pressed) {
            pressed = true;
            QTest::keyClick(&m_target, Qt::Key_Escape);
        }
        return false;
    }
    bool pressed = false;

private:
    QWidget& m_target;
};

// The menu item's look as the style draws it.
class MenuProbe : public QMenu {
public:
    static QStyleOptionMenuItem OptionFor(const QMenu& menu, const QAction* action)
    {
        QStyleOptionMenuItem option;
        (menu.*(&MenuProbe::initStyleOption))(&option, action);
        return option;
    }
};

QMenu* MenuHolding(QAction* action)
{
    for (QObject* object : action->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(object))
            return menu;
    return nullptr;
}

gui::DemoDetails& Details(gui::MainWindow& window)
{
    return *window.findChild<gui::DemoDetails*>();
}

// Points near every corner of every screen's available area, a few pixels inside it.
std::vector<QPoint> CursorSpots()
{
    std::vector<QPoint> spots;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        const int in = 3;
        spots.insert(spots.end(), {area.topLeft() + QPoint(in, in), area.topRight() + QPoint(-in, in),
                                   area.bottomLeft() + QPoint(in, -in), area.bottomRight() + QPoint(-in, -in),
                                   QPoint(area.center().x(), area.top() + in)});
    }
    return spots;
}

bool OnScreenOf(const QWidget& window, const QPoint& cursor)
{
    const QScreen* screen = QGuiApplication::screenAt(cursor);
    return screen && screen->availableGeometry().contains(window.frameGeometry());
}

// The window's frame once the window manager, where there is one, has done with it: unchanged for
// 200 ms (at most 3 s).
QRect SettledFrame(const QWidget& window)
{
    // Settled: the same for 400 ms and of a real size (a window the window manager has not framed
    // yet can read 1x1 for a moment on a busy machine).
    QRect frame = window.frameGeometry();
    int unchanged = 0;
    for (int waited = 0; waited < 6000 && unchanged < 2; waited += 200) {
        QTest::qWait(200);
        const QRect now = window.frameGeometry();
        unchanged = now == frame && now.width() > 1 && now.height() > 1 ? unchanged + 1 : 0;
        frame = now;
    }
    return frame;
}

// Whether the window's frame, title bar included, lies wholly inside one screen's available area.
bool WhollyOnAScreen(const QWidget& window)
{
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->availableGeometry().contains(window.frameGeometry()))
            return true;
    return false;
}

// Runs `look` on the modal box or dialog that the next call opens, then closes it.
void OnNextModal(std::function<void(QWidget&)> look)
{
    QTimer::singleShot(0, [look = std::move(look)] {
        QWidget* modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        QTest::qWait(50); // a message box takes its size while it shows
        look(*modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
    });
}

QString Where(const char* rule, const QPoint& cursor, const QWidget& window)
{
    const QRect frame = window.frameGeometry();
    return QStringLiteral("%1 with the cursor at %2,%3: frame %4,%5 %6x%7")
        .arg(QString::fromLatin1(rule))
        .arg(cursor.x())
        .arg(cursor.y())
        .arg(frame.x())
        .arg(frame.y())
        .arg(frame.width())
        .arg(frame.height());
}

} // namespace

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void hidingThePlayListKeepsTheWindowOnTheScreen();
    void clampingKeepsAWindowInsideTheArea();
    void storedPlaceComesBackOnAScreen();
    void toolWindowsStayOnTheScreenUnderTheCursor();
    void detailsWindowsTakeTheKeyboard();
    void everyWindowOpensWhollyOnAScreen();
    void boxesOpenOverTheWindowInUse();
    void placeAndPlayListSurviveStartAndExit();
    void firstStartShowsOneNoticeAtATime();
    void switchesShowTheirStateInMenusAndOnTheBar();
    void rescanShowsTheListedFolder();
    void stoppedListingSaysSo();
};

void WindowTest::cleanup()
{
    QCursor::setPos(QGuiApplication::primaryScreen()->availableGeometry().center());
}

void WindowTest::hidingThePlayListKeepsTheWindowOnTheScreen()
{
    Sandbox sandbox;
    sandbox.AddDemo(sandbox.Game() / "a.dm_48");
    auto window = sandbox.Start();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const QRect area = window->screen()->availableGeometry();
    const int startWidth = window->width();
    WidthWatch watch(*window);
    QAction* showPlayList = window->Cmds().showPlayList;

    // Hidden: panel 2 runs to the window's edge, and the window keeps its width while events
    // go round (a wish for more width than the window has would be granted again and again).
    showPlayList->trigger();
    QVERIFY(!window->PlayListShown());
    QTest::qWait(300);
    QCOMPARE(window->width(), startWidth);
    QVERIFY2(watch.widest <= area.width(), qPrintable(QString::number(watch.widest)));
    QVERIFY(window->minimumWidth() < startWidth);
    QWidget* panel1 = window->Status().findChild<QWidget*>(QStringLiteral("Panel1"));
    QWidget* panel2 = window->Status().findChild<QWidget*>(QStringLiteral("Panel2"));
    QWidget* panel3 = window->Status().findChild<QWidget*>(QStringLiteral("Panel3"));
    QVERIFY(panel1 && panel2 && panel3);
    QTRY_COMPARE(panel1->width(), window->TreePane().width());
    QVERIFY(!panel3->isVisible());
    const auto panel2End = [&] { return panel2->mapTo(&window->Status(), QPoint(panel2->width(), 0)).x(); };
    QTRY_VERIFY2(panel2End() >= window->Status().width() - 40,
                 qPrintable(QStringLiteral("%1 of %2").arg(panel2End()).arg(window->Status().width())));

    // Narrower and wider by hand, with the play list hidden and shown again.
    for (const int width : {area.width() - 20, 420, 700}) {
        window->resize(width, window->height());
        QTest::qWait(50);
        QCOMPARE(window->width(), width);
        showPlayList->trigger();
        QTest::qWait(50);
        QCOMPARE(window->width(), width);
        showPlayList->trigger();
        QTest::qWait(50);
        QCOMPARE(window->width(), width);
    }
    QVERIFY(watch.widest <= area.width());
    // Shown: panels 1 and 2 as wide as the panes above them.
    showPlayList->trigger();
    QVERIFY(window->PlayListShown());
    QTRY_COMPARE(panel1->width(), window->TreePane().width());
    QTRY_VERIFY(std::abs(panel2->parentWidget()->width() - window->DemoList().width()) <= 2);
    QVERIFY(panel3->isVisible());

    // The size saved at exit is the size the window had.
    QVERIFY(window->close());
    QVERIFY(sandbox.ReadConfig().find("width=700\r\n") != std::string::npos);
}

void WindowTest::clampingKeepsAWindowInsideTheArea()
{
    const QRect area(100, 50, 800, 600);
    struct Case {
        QRect frame;
        QRect expected;
    };
    const Case cases[] = {
        {{200, 100, 300, 200}, {200, 100, 300, 200}}, // inside: unchanged
        {{100, 50, 800, 600}, {100, 50, 800, 600}},   // exactly the area
        {{99, 49, 300, 200}, {100, 50, 300, 200}},    // one pixel beyond the top left
        {{601, 451, 300, 200}, {600, 450, 300, 200}}, // one pixel beyond the bottom right
        {{600, 450, 300, 200}, {600, 450, 300, 200}}, // touching the bottom right
        {{-5000, 9000, 300, 200}, {100, 450, 300, 200}},
        {{300, -304, 250, 380}, {300, 50, 250, 380}}, // above the top, as the cursor rules put it
        {{150, 60, 19656, 49658}, {100, 50, 800, 600}},
        {{150, 60, 801, 200}, {100, 60, 800, 200}}, // one pixel wider than the area
    };
    for (const Case& c : cases)
        QCOMPARE(gui::ClampedToArea(c.frame, area), c.expected);
}

void WindowTest::storedPlaceComesBackOnAScreen()
{
    const QRect primary = QGuiApplication::primaryScreen()->availableGeometry();
    struct Case {
        const char* what;
        QRect stored; // left, top, width, height as written in the file
        bool keepsPlace;
    };
    std::vector<Case> cases = {
        {"larger than the screen", {primary.left() + 40, primary.top() + 40, 19656, 49658}, false},
        {"on no screen", {-30000, 29000, 600, 400}, false},
        {"half beyond the bottom right", {primary.right() - 300, primary.bottom() - 200, 600, 400}, false},
        {"on the screen", {primary.left() + 30, primary.top() + 40, 600, 400}, true},
    };
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen == QGuiApplication::primaryScreen())
            continue;
        const QRect area = screen->availableGeometry();
        cases.push_back({"on another screen", {area.left() + 20, area.top() + 30, 500, 300}, true});
        cases.push_back({"beyond another screen's bottom", {area.left() + 20, area.bottom() - 10, 500, 300}, false});
    }
    for (const Case& c : cases) {
        Sandbox sandbox;
        sandbox.WriteConfig("[MainWindow]\r\nleft=" + std::to_string(c.stored.left()) + "\r\ntop=" +
                            std::to_string(c.stored.top()) + "\r\nwidth=" + std::to_string(c.stored.width()) +
                            "\r\nheight=" + std::to_string(c.stored.height()) + "\r\n");
        auto window = sandbox.Start();
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const QRect frame = SettledFrame(*window);
        bool inside = false;
        for (const QScreen* screen : QGuiApplication::screens())
            inside = inside || screen->availableGeometry().contains(frame);
        QVERIFY2(inside, c.what);
        if (c.keepsPlace) {
            QVERIFY2(frame.topLeft() == c.stored.topLeft(), c.what);
            QVERIFY2(window->width() == c.stored.width(), c.what);
        }
        // What is written at exit opens the same way next time.
        QVERIFY(window->close());
        const std::string config = sandbox.ReadConfig();
        QVERIFY2(config.find("width=" + std::to_string(window->width()) + "\r\n") != std::string::npos, c.what);
    }
}

void WindowTest::toolWindowsStayOnTheScreenUnderTheCursor()
{
    Sandbox sandbox;
    testsupport::RecordingSink messages;
    sandbox.AddDemo(sandbox.Game() / "a.dm_48");
    auto window = sandbox.Start();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    gui::DemoListPane& demos = window->DemoList();
    demos.SelectRows({0}, false);
    gui::DemoDetails& details = Details(*window);

    for (const QPoint& cursor : CursorSpots()) {
        QCursor::setPos(cursor);
        QCOMPARE(QCursor::pos(), cursor);

        // "Edit Userdata..": beside the list's first column, its bottom edge at the cursor.
        demos.EditUserDataAction()->trigger();
        QPointer<gui::UserDataEditor> editor = details.Editor();
        QVERIFY(editor);
        QVERIFY2(OnScreenOf(*editor, cursor), qPrintable(Where("Edit Userdata..", cursor, *editor)));
        editor->close();
        QTRY_VERIFY(!editor);

        // The player description: 20 pixels right of the cursor, its bottom 20 pixels above it.
        demos.PropertiesAction()->trigger();
        gui::PropertiesWindow* prop = details.Properties();
        QVERIFY(prop);
        QVERIFY(prop->PlayerList().count() > 0);
        prop->OpenPlayer(0);
        QPointer<gui::PlayerWindow> player = prop->ShownPlayerWindow();
        QVERIFY(player);
        QVERIFY2(OnScreenOf(*player, cursor), qPrintable(Where("player description", cursor, *player)));
        player->close();
        QTRY_VERIFY(!player);

        // "&Userdata" of the properties window: centred.
        details.OpenEditorFor("a.dm_48", sandbox.Game().string());
        editor = details.Editor();
        QVERIFY(editor);
        QVERIFY2(OnScreenOf(*editor, cursor), qPrintable(Where("&Userdata", cursor, *editor)));
        editor->close();
        QTRY_VERIFY(!editor);
        QPointer<gui::PropertiesWindow> closing = prop;
        prop->close();
        QTRY_VERIFY(!closing);

        // The sound options: centred.
        window->Cmds().soundOptions->trigger();
        QPointer<gui::SoundOptionsWindow> sound = window->findChild<gui::SoundOptionsWindow*>();
        QVERIFY(sound);
        QVERIFY2(OnScreenOf(*sound, cursor), qPrintable(Where("Sound Options", cursor, *sound)));
        window->Cmds().soundOptions->trigger();
        QTRY_VERIFY(!sound);
    }
}

void WindowTest::detailsWindowsTakeTheKeyboard()
{
    Sandbox sandbox;
    testsupport::RecordingSink messages;
    sandbox.AddDemo(sandbox.Game() / "a.dm_48", 48, 200, 1);
    sandbox.AddDemo(sandbox.Game() / "b.dm_48", 48, 200, 2);
    auto window = sandbox.Start();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    gui::DemoListPane& demos = window->DemoList();
    gui::DemoDetails& details = Details(*window);
    const auto backToMain = [&] {
        window->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), window.get());
    };

    // The properties window, opened and then filled again for another demo from the list.
    for (const int row : {0, 1}) {
        backToMain();
        demos.SelectRows({row}, false);
        demos.PropertiesAction()->trigger();
        QTRY_COMPARE(QApplication::activeWindow(), details.Properties());
        QVERIFY(details.Properties()->isAncestorOf(QApplication::focusWidget()));
    }
    // Escape reaches it, not the main window (where it would only stop a listing).
    QPointer<gui::PropertiesWindow> prop = details.Properties();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!prop);

    // The user data editor by "Edit Userdata..", then by a click on a description cell: the
    // clicked field has the focus with its text selected, so typing replaces it.
    backToMain();
    demos.SelectRows({0}, false);
    demos.EditUserDataAction()->trigger();
    QTRY_COMPARE(QApplication::activeWindow(), details.Editor());
    details.Editor()->Description().setPlainText(QStringLiteral("old words"));
    QTest::mouseClick(&details.Editor()->ApplyButton(), Qt::LeftButton);
    backToMain();
    QHeaderView* header = demos.DetailsPart().header();
    header->showSection(core::FieldDescription);
    header->resizeSection(core::FieldDescription, 120);
    const QModelIndex cell = demos.Model().index(0, core::FieldDescription);
    demos.DetailsPart().scrollTo(cell);
    QTest::mouseClick(demos.DetailsPart().viewport(), Qt::LeftButton, {},
                      demos.DetailsPart().visualRect(cell).center());
    QPointer<gui::UserDataEditor> editor = details.Editor();
    QVERIFY(editor);
    QTRY_COMPARE(QApplication::activeWindow(), editor.data());
    QCOMPARE(QApplication::focusWidget(), &editor->Description());
    QCOMPARE(editor->Description().textCursor().selectedText(), QStringLiteral("old words"));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("new"));
    QCOMPARE(editor->Description().toPlainText(), QStringLiteral("new"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!editor);
}

void WindowTest::everyWindowOpensWhollyOnAScreen()
{
    Sandbox sandbox;
    testsupport::RecordingSink messages;
    sandbox.AddDemo(sandbox.Game() / "a.dm_48");
    auto window = sandbox.Start();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    gui::DemoDetails& details = Details(*window);
    window->DemoList().SelectRows({0}, false);
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect area = screen->availableGeometry();
        // The main window pushed mostly beyond each corner: whatever opens centred over it (and
        // larger than the screen's room beside it) still lies on a screen.
        for (const QPoint& corner : {area.topLeft() + QPoint(-600, -300), area.bottomRight() + QPoint(-120, -60),
                                     QPoint(area.left() - 700, area.bottom() - 40)}) {
            window->move(corner);
            QVERIFY(!WhollyOnAScreen(*window));
            const QString where = QStringLiteral(" with the main window at %1,%2").arg(corner.x()).arg(corner.y());

            window->DemoList().PropertiesAction()->trigger();
            QPointer<gui::PropertiesWindow> prop = details.Properties();
            QVERIFY(prop);
            QVERIFY2(WhollyOnAScreen(*prop), qPrintable(QStringLiteral("properties") + where));
            // No level shot in the packs: the stand-in's words are drawn at twice the screen's
            // resolution at least, never a small bitmap blown up.
            QCOMPARE(prop->LevelShot().deviceIndependentSize().toSize(), QSize(256, 192));
            QVERIFY(prop->LevelShot().devicePixelRatio() >= std::max(2.0, prop->devicePixelRatioF()));
            // The program makes it larger than the screen (a demo with long names): it shrinks to fit.
            prop->resize(area.width() + 500, area.height() + 400);
            QTRY_VERIFY2(WhollyOnAScreen(*prop), qPrintable(QStringLiteral("grown properties") + where));
            prop->close();
            QTRY_VERIFY(!prop);

            window->Cmds().help->trigger();
            QPointer<gui::HelpWindow> help = window->Help();
            QVERIFY(help);
            QVERIFY2(WhollyOnAScreen(*help), qPrintable(QStringLiteral("help") + where));
            help->close();
            QTRY_VERIFY(!help);

            bool boxOnScreen = false;
            OnNextModal([&](QWidget& box) { boxOnScreen = WhollyOnAScreen(box); });
            QMessageBox::information(window.get(), QStringLiteral("Demo Protocol not Playable"), QStringLiteral("x"));
            QVERIFY2(boxOnScreen, qPrintable(QStringLiteral("message box") + where));

            // A dialog of the program: whole, and wide enough for its title and the program's name.
            bool dialogFits = false;
            OnNextModal([&](QWidget& dialog) {
                QFont bold = dialog.font();
                bold.setBold(true);
                const int title = QFontMetrics(bold).horizontalAdvance(
                    dialog.windowTitle() + QStringLiteral(" \u2014 ") + QGuiApplication::applicationDisplayName());
                dialogFits = WhollyOnAScreen(dialog) && dialog.width() > title;
            });
            gui::GameParametersDialog::Run(window.get());
            QVERIFY2(dialogFits, qPrintable(QStringLiteral("Game parameters") + where));
        }
    }
}

void WindowTest::boxesOpenOverTheWindowInUse()
{
    Sandbox sandbox;
    sandbox.AddDemo(sandbox.Game() / "a.dm_48");
    auto window = sandbox.Start();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    gui::BoxMessageSink boxes;
    boxes.SetParent(window.get());
    gui::SetMessageSink(&boxes);
    gui::DemoDetails& details = Details(*window);
    window->DemoList().SelectRows({0}, false);
    window->DemoList().PropertiesAction()->trigger();
    gui::PropertiesWindow* prop = details.Properties();
    QVERIFY(prop);
    QTRY_COMPARE(QApplication::activeWindow(), prop);
    prop->OpenPlayer(0);
    QPointer<gui::PlayerWindow> player = prop->ShownPlayerWindow();
    QVERIFY(player);
    window->Cmds().soundOptions->trigger();
    auto* sound = window->findChild<gui::SoundOptionsWindow*>();
    QVERIFY(sound);

    // The tool windows stay above the window they belong to and nothing else: not above other
    // programs (the game), not above the program's own boxes.
    const std::pair<QWidget*, QWidget*> owners[] = {{prop, window.get()}, {player.data(), prop}, {sound, window.get()}};
    for (const auto& [tool, owner] : owners) {
        QVERIFY2(!tool->windowFlags().testFlag(Qt::WindowStaysOnTopHint), qPrintable(tool->objectName()));
        QVERIFY2(tool->windowHandle() && tool->windowHandle()->transientParent() == owner->windowHandle(),
                 qPrintable(tool->objectName()));
    }

    // A box raised while a tool window is in use belongs to that window, so it opens over it.
    for (QWidget* inUse : {static_cast<QWidget*>(prop), static_cast<QWidget*>(player.data())}) {
        inUse->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), inUse);
        QWidget* owner = nullptr;
        bool above = false;
        OnNextModal([&](QWidget& box) {
            owner = box.parentWidget() ? box.parentWidget()->window() : nullptr;
            above = box.windowHandle() && box.windowHandle()->transientParent() == inUse->windowHandle();
        });
        gui::Messages().Error("The demo cannot be played.", "Demo Protocol not Playable");
        QCOMPARE(owner, inUse);
        QVERIFY(above);
    }
    gui::SetMessageSink(nullptr);
    sound->close();
}

void WindowTest::placeAndPlayListSurviveStartAndExit()
{
    Sandbox sandbox;
    // A first start: about two thirds of the screen, centred on it.
    std::unique_ptr<gui::MainWindow> window = sandbox.Start();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const QRect area = window->screen()->availableGeometry();
    QRect frame = SettledFrame(*window);
    QVERIFY2(frame.width() >= area.width() * 6 / 10 && frame.width() <= area.width() * 7 / 10 &&
                 frame.height() >= area.height() * 6 / 10 && frame.height() <= area.height() * 7 / 10,
             qPrintable(QStringLiteral("%1x%2 on %3x%4")
                            .arg(frame.width())
                            .arg(frame.height())
                            .arg(area.width())
                            .arg(area.height())));
    // Centred before the window manager tells its title bar's height: off by half of it at most.
    QVERIFY2((frame.center() - area.center()).manhattanLength() <= 24,
             qPrintable(QStringLiteral("%1,%2").arg(frame.center().x()).arg(frame.center().y())));

    // Three starts and exits leave the frame where the user put it, the play list hidden: shown
    // again, it is as wide as at a first start (200 pixels) at least.
    // Where the window manager puts a window moved while shown is its own affair (openbox may take
    // the point for the client's or the frame's); what the program must do is keep that place.
    const QPoint put = area.topLeft() + QPoint(113, 100);
    window->move(put);
    window->SetPlayListShown(false);
    frame = SettledFrame(*window);
    QVERIFY2((frame.topLeft() - put).manhattanLength() <= 24,
             qPrintable(QStringLiteral("%1,%2").arg(frame.left()).arg(frame.top())));
    for (int start = 0; start < 3; ++start) {
        QVERIFY(window->close());
        window.reset();
        window = sandbox.Start();
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QCOMPARE(SettledFrame(*window), frame);
        QVERIFY(!window->PlayListShown());
    }
    window->SetPlayListShown(true);
    QTRY_VERIFY2(window->PlayList().width() >= 200, qPrintable(QString::number(window->PlayList().width())));
}

void WindowTest::firstStartShowsOneNoticeAtATime()
{
    core::Sound().Close();
    const char* const device = "Velmora test: no such device";
    core::Sound().UseDevice([device](auto& output) { return core::OpenOpenAlOutput(device, output); },
                            [device] { return core::OpenAlDeviceName(device); });
    testsupport::RecordingSink messages;
    Sandbox sandbox;
    sandbox.WriteConfig("[Sound]\r\nsound_enable=1\r\n");
    auto window = sandbox.Start(false);
    QVERIFY(window);
    window->HoldNotices();
    window->show();
    window->ListStartFolder();
    QTest::qWait(50);
    const auto notice = [&] { return window->findChild<QMessageBox*>(QStringLiteral("SoundNotice")); };
    QVERIFY(!notice());
    // The tip of the day first, alone; the sound notice once it is closed, and not modal.
    bool alone = false;
    OnNextModal([&](QWidget& tip) {
        QTest::qWait(300);
        alone = tip.objectName() == QStringLiteral("TipOfDay") && !notice();
    });
    window->ShowStartNotices(true);
    QVERIFY(alone);
    QTRY_VERIFY(notice() && notice()->isVisible());
    QVERIFY(!notice()->isModal());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    window.reset();
    core::Sound().UseDevice([](auto& output) { return core::OpenOpenAlOutput(nullptr, output); },
                            [] { return core::OpenAlDeviceName(nullptr); });
}

void WindowTest::switchesShowTheirStateInMenusAndOnTheBar()
{
    Sandbox sandbox;
    auto window = sandbox.Start();
    QVERIFY(window);
    gui::Commands& commands = window->Cmds();
    const QSize size(24, 24);
    const auto image = [&](QAction* action, QIcon::State state) {
        return action->icon().pixmap(size, QIcon::Normal, state).toImage();
    };
    for (QAction* action : {commands.showPlayList, commands.timeDemos, commands.loopDemos, commands.readOnly}) {
        const QString name = action->text();
        // On the bar: a picture for each state.
        QVERIFY2(window->Bar().widgetForAction(action), qPrintable(name));
        QVERIFY2(image(action, QIcon::On) != image(action, QIcon::Off), qPrintable(name));
        // In the menu: a check mark in place of the picture, following the state both ways.
        QMenu* menu = MenuHolding(action);
        QVERIFY2(menu, qPrintable(name));
        for (int i = 0; i < 2; ++i) {
            action->trigger();
            const QStyleOptionMenuItem option = MenuProbe::OptionFor(*menu, action);
            QVERIFY2(option.icon.isNull(), qPrintable(name));
            QVERIFY2(option.checkType == QStyleOptionMenuItem::NonExclusive, qPrintable(name));
            QCOMPARE(option.checked, action->isChecked());
        }
    }
    // Timedemo and loop look different in either state.
    for (const QIcon::State state : {QIcon::On, QIcon::Off})
        QVERIFY(image(commands.timeDemos, state) != image(commands.loopDemos, state));

    // "Properties.." names its key in both lists' menus.
    for (gui::ListPane* pane :
         {static_cast<gui::ListPane*>(&window->DemoList()), static_cast<gui::ListPane*>(&window->PlayList())}) {
        QAction* properties =
            pane == &window->DemoList() ? window->DemoList().PropertiesAction() : window->PlayList().PropertiesAction();
        QMenu menu; // the context menus are made when they open
        menu.addAction(properties);
        QVERIFY(MenuProbe::OptionFor(menu, properties).text.endsWith(QStringLiteral("\tEnter")));
    }
}

void WindowTest::rescanShowsTheListedFolder()
{
    Sandbox sandbox;
    sandbox.AddDemo(sandbox.Game() / "sub" / "deeper" / "a.dm_48");
    auto window = sandbox.Start();
    QVERIFY(window);
    const std::string deeper = (sandbox.Game() / "sub" / "deeper").string();
    window->TreePane().SelectNode(core::FindNodeByPath(window->TreePane().Tree(), deeper));
    QCOMPARE(window->CurrentFolder(), deeper);
    QCOMPARE(window->Status().FolderPath(), QString::fromStdString(deeper));
    // F5 in the tree rebuilds the whole branch from the game directory down.
    window->TreePane().RescanBranch();
    QCOMPARE(window->CurrentFolder(), deeper);
    QCOMPARE(window->Status().FolderPath(), QString::fromStdString(deeper));
}

void WindowTest::stoppedListingSaysSo()
{
    Sandbox sandbox;
    const int count = 30;
    for (int i = 0; i < count; ++i)
        sandbox.AddDemo(sandbox.Game() / ("d" + std::to_string(i) + ".dm_48"), 48, 200, static_cast<uint32_t>(i));
    auto window = sandbox.Start();
    QVERIFY(window);
    QCOMPARE(window->DemoList().Model().rowCount(), count);
    // Escape as soon as the listing shows its progress, as a user who chose the wrong folder.
    QWidget* progress = window->Status().findChild<QWidget*>(QStringLiteral("ListingProgress"));
    QVERIFY(progress);
    KeyOnShow escape(*progress, window->DemoList().CurrentView());
    window->RefreshList();
    QVERIFY(escape.pressed);
    QVERIFY2(window->Status().ListText().startsWith(QStringLiteral("Listing aborted: ")),
             qPrintable(window->Status().ListText()));
    QVERIFY(window->DemoList().Model().rowCount() < count);
    // Listed to the end, the summary is the plain one.
    progress->removeEventFilter(&escape);
    window->RefreshList();
    QVERIFY2(window->Status().ListText().startsWith(QString::number(count) + QStringLiteral(" item(s) loaded in ")),
             qPrintable(window->Status().ListText()));
}

VELMORA_GUI_TEST(WindowTest)
#include "WindowTest.moc"
