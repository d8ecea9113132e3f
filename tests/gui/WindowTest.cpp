// The main window and the tool windows on the screen: the window keeps its width while the play
// list comes and goes, a stored place comes back on a screen, every placed window stays on the
// screen under the cursor, the details windows take the keyboard, the switches show their state,
// and the status bar tells the folder shown and a stopped listing. Run once on the default
// screen and once more on two screens of different sizes (see tests/CMakeLists.txt).
#include <QApplication>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionMenuItem>
#include <QTest>
#include <QToolBar>

#include <filesystem>

#include "core/app/Settings.h"
#include "core/common/Globals.h"
#include "core/library/FolderTreeOps.h"
#include "gui/app/CommandBar.h"
#include "gui/app/MainWindow.h"
#include "gui/app/StatusPanels.h"
#include "gui/app/WindowPlacement.h"
#include "gui/details/DemoDetails.h"
#include "gui/details/PlayerWindow.h"
#include "gui/details/PropertiesWindow.h"
#include "gui/details/UserDataEditor.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/PlayListPane.h"
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
        const QRect frame = window->frameGeometry();
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
