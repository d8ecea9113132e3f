// The program with the keyboard alone, on real widgets: no key does two things in a window, a
// window's Alt keys press its buttons, the search bar keeps what is typed into it, the menus and
// the details windows let the keyboard in and out, read-only mode says why a key does nothing,
// every colour the program picks for text reads on its background, and the help describes every
// command by the names the windows show.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <map>

#include "core/library/FolderTreeOps.h"
#include "core/settings/Settings.h"
#include "gui/app/MainWindow.h"
#include "gui/common/PaletteColours.h"
#include "gui/common/StatusPanels.h"
#include "gui/details/ColouredText.h"
#include "gui/details/DemoDetails.h"
#include "gui/details/EventTimeline.h"
#include "gui/details/EventsTab.h"
#include "gui/details/PlayerWindow.h"
#include "gui/details/PropertiesWindow.h"
#include "gui/details/UserDataEditor.h"
#include "gui/extras/HelpWindow.h"
#include "gui/extras/TipOfDay.h"
#include "gui/lists/ColumnChooser.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/SearchBar.h"
#include "gui/playback/GameParametersDialog.h"
#include "gui/playback/PlaybackKeysDialog.h"
#include "gui/tree/FolderTreeModel.h"
#include "gui/tree/FolderTreePane.h"
#include "gui/video/VideoExportDialog.h"
#include "gui/video/VideoExportWindow.h"
#include "support/Recorder.h"
#include "support/gui/GuiTestSupport.h"

using namespace guitest;
namespace fs = std::filesystem;

namespace {

// "&Play current Playlist && Exit\tCtrl+Q" as the window shows it: "Play current Playlist & Exit".
QString ShownName(const QString& text)
{
    const QString head = text.section(QLatin1Char('\t'), 0, 0);
    QString shown;
    for (qsizetype i = 0; i < head.size(); ++i) {
        if (head[i] == QLatin1Char('&') && i + 1 < head.size())
            ++i;
        shown += head[i];
    }
    return shown.trimmed();
}

// A key and where it works: the window, or a pane and what lies inside it.
struct Binding {
    QKeySequence key;
    const QWidget* scope;
    QString what;
};

void AddActionBindings(QAction* action, QWidget* window, bool windowWideOnly, std::vector<Binding>& out)
{
    QList<QKeySequence> keys = action->shortcuts();
    // A key shown after a tab in the entry's text is a promise too.
    if (const QString shown = action->text().section(QLatin1Char('\t'), 1); !shown.isEmpty())
        keys.append(QKeySequence(shown));
    for (const QObject* object : action->associatedObjects()) {
        const auto* widget = qobject_cast<const QWidget*>(object);
        if (!widget)
            continue;
        const bool inMenu = qobject_cast<const QMenu*>(widget) != nullptr;
        if (!inMenu && widget->window() != window)
            continue;
        const bool paneOnly = !inMenu && action->shortcutContext() == Qt::WidgetWithChildrenShortcut;
        if (windowWideOnly && paneOnly)
            continue;
        for (const QKeySequence& key : keys)
            out.push_back({key, paneOnly ? widget : window, ShownName(action->text())});
    }
}

// Every key that acts while `window` is active. Qt lets the window-wide keys of the window below
// a tool window work in the tool window too.
std::vector<Binding> BindingsOf(QWidget* window)
{
    std::vector<Binding> out;
    for (QAction* action : window->findChildren<QAction*>())
        AddActionBindings(action, window, false, out);
    for (const QAbstractButton* button : window->findChildren<QAbstractButton*>())
        if (button->window() == window && !QKeySequence::mnemonic(button->text()).isEmpty())
            out.push_back({QKeySequence::mnemonic(button->text()), window, ShownName(button->text())});
    for (const QMenuBar* bar : window->findChildren<QMenuBar*>())
        for (const QAction* menu : bar->actions())
            out.push_back({QKeySequence::mnemonic(menu->text()), window, ShownName(menu->text())});
    if (window->windowType() == Qt::Tool && window->parentWidget())
        for (QAction* action : window->parentWidget()->window()->findChildren<QAction*>())
            AddActionBindings(action, window->parentWidget()->window(), true, out);
    return out;
}

QStringList SharedKeys(QWidget* window)
{
    const std::vector<Binding> bindings = BindingsOf(window);
    QStringList shared;
    for (size_t i = 0; i < bindings.size(); ++i)
        for (size_t j = i + 1; j < bindings.size(); ++j) {
            const Binding& a = bindings[i];
            const Binding& b = bindings[j];
            const bool overlap = a.scope == b.scope || a.scope->isAncestorOf(b.scope) || b.scope->isAncestorOf(a.scope);
            if (!a.key.isEmpty() && a.key == b.key && overlap && a.what != b.what)
                shared << QStringLiteral("%1: \"%2\" and \"%3\" in %4")
                              .arg(a.key.toString(), a.what, b.what, window->objectName());
        }
    return shared;
}

// Every name a window shows on its controls.
QSet<QString> ControlNames(const QList<QWidget*>& windows)
{
    QSet<QString> names;
    auto add = [&names](const QString& text) {
        if (!ShownName(text).isEmpty())
            names.insert(ShownName(text));
    };
    for (QWidget* window : windows) {
        add(window->windowTitle());
        for (const QAction* action : window->findChildren<QAction*>())
            add(action->text());
        for (const QAbstractButton* button : window->findChildren<QAbstractButton*>())
            add(button->text());
        for (const QGroupBox* box : window->findChildren<QGroupBox*>())
            add(box->title());
        for (const QLabel* label : window->findChildren<QLabel*>())
            add(label->text());
        for (const QTabWidget* tabs : window->findChildren<QTabWidget*>())
            for (int i = 0; i < tabs->count(); ++i)
                add(tabs->tabText(i));
        for (const QComboBox* box : window->findChildren<QComboBox*>())
            for (int i = 0; i < box->count(); ++i)
                add(box->itemText(i));
        for (const QAbstractItemView* view : window->findChildren<QAbstractItemView*>()) {
            const QAbstractItemModel* model = view->model();
            for (int column = 0; model && column < model->columnCount(); ++column)
                add(model->headerData(column, Qt::Horizontal).toString());
            if (qobject_cast<const QTreeWidget*>(view) || qobject_cast<const QListWidget*>(view))
                for (int row = 0; row < model->rowCount(); ++row)
                    add(model->index(row, 0).data().toString());
        }
    }
    return names;
}

QString HelpText(const QString& page)
{
    QFile file(QStringLiteral(":/velmora/help/") + page);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QTextDocument document;
    document.setHtml(QString::fromUtf8(file.readAll()));
    return document.toPlainText().simplified();
}

gui::PropertiesWindow* OpenProperties(gui::MainWindow& window, const fs::path& folder)
{
    core::FolderNode* node = core::FindNodeByPath(window.TreePane().Tree(), folder.string());
    if (!node)
        return nullptr;
    window.TreePane().SelectNode(node);
    window.DemoList().SelectRows({0}, false);
    window.DemoList().PropertiesAction()->trigger();
    return window.findChild<gui::DemoDetails*>()->Properties();
}

// The mouse moving over a widget without a button pressed, as the desktop reports it.
void Hover(QWidget* widget, const QPoint& pos)
{
    QMouseEvent move(QEvent::MouseMove, pos, widget->mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

void Press(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    // With the text a keyboard gives, also for keys without one (the search keys).
    QTest::sendKeyEvent(QTest::Click, widget, key, key < 0x1000000 ? QString(QChar(key)).toLower() : QString(),
                        modifiers);
}

} // namespace

class KeyboardTest : public QObject {
    Q_OBJECT
private slots:
    void noKeyDoesTwoThingsInAWindow();
    void searchBarKeepsTheKeyboard();
    void menusAndNoticesGiveTheKeyboardBack();
    void readOnlyKeysSaySo();
    void detailsWindowsByKeyboard();
    void textReadsOnEveryBackground();
    void helpDescribesEveryCommandByItsName();
};

void KeyboardTest::noKeyDoesTwoThingsInAWindow()
{
    Sandbox sandbox;
    sandbox.AddModernDemo(sandbox.Game() / "demos" / "a.dm_68", 68, {"Sarge", "Grunt"});
    fs::create_directories(sandbox.Game() / "empty" / "deeper");
    auto window = sandbox.Start();
    QVERIFY(window);
    gui::PropertiesWindow* prop = OpenProperties(*window, sandbox.Game() / "demos");
    QVERIFY(prop);
    prop->OpenPlayer(0);
    auto& details = *window->findChild<gui::DemoDetails*>();
    details.OpenEditorFor("a.dm_68", (sandbox.Game() / "demos").string());
    QVERIFY(details.Editor() && prop->ShownPlayerWindow());
    for (QWidget* each : {static_cast<QWidget*>(window.get()), static_cast<QWidget*>(prop),
                          static_cast<QWidget*>(prop->ShownPlayerWindow()), static_cast<QWidget*>(details.Editor())})
        QVERIFY2(SharedKeys(each).isEmpty(), qPrintable(SharedKeys(each).join(QLatin1Char('\n'))));

    // The Alt key of each button of a window in front presses that button, not a menu of the
    // main window nor a button of the window below.
    struct AltCase {
        QWidget* window;
        const char* button;
        bool closes;
    };
    QVERIFY(QTest::qWaitForWindowActive(details.Editor()));
    for (const AltCase& c :
         {AltCase{prop->ShownPlayerWindow(), "&Cancel", true}, AltCase{details.Editor(), "&OK", true}}) {
        QPointer<QWidget> front = c.window;
        QAbstractButton* button = nullptr;
        for (QAbstractButton* each : front->findChildren<QAbstractButton*>())
            if (each->text() == QLatin1String(c.button))
                button = each;
        QVERIFY2(button, c.button);
        QSignalSpy clicked(button, &QAbstractButton::clicked);
        QApplication::setActiveWindow(front);
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(button->text()[1].toUpper().unicode()),
                        Qt::AltModifier);
        QTRY_COMPARE(clicked.count(), 1);
        QTRY_COMPARE(!front || !front->isVisible(), c.closes);
        QVERIFY(!QApplication::activePopupWidget()); // no menu opened
        QVERIFY(prop->isVisible());
    }

    // Ctrl+E cuts the folders without demos; expanding has a key of its own.
    prop->close();
    QApplication::setActiveWindow(window.get());
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    gui::FolderTreePane& tree = window->TreePane();
    tree.SelectNode(tree.Tree().First());
    tree.View().setFocus();
    QVERIFY(core::FindNodeByPath(tree.Tree(), (sandbox.Game() / "empty").string()));
    Press(&tree.View(), Qt::Key_E, Qt::ControlModifier);
    QVERIFY(!core::FindNodeByPath(tree.Tree(), (sandbox.Game() / "empty").string()));
    QVERIFY(core::FindNodeByPath(tree.Tree(), (sandbox.Game() / "demos").string()));
    Press(&tree.View(), Qt::Key_C, Qt::ControlModifier);
    QVERIFY(!tree.Tree().First()->expanded);
    Press(&tree.View(), Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(tree.Tree().First()->expanded);
}

void KeyboardTest::searchBarKeepsTheKeyboard()
{
    Sandbox sandbox;
    sandbox.AddModernDemo(sandbox.Game() / "demos" / "a.dm_68", 68);
    auto window = sandbox.Start();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    bool folderAsked = false;
    window->TreePane().chooseFolder = [&](const QString&) {
        folderAsked = true;
        return QString();
    };
    gui::SearchBar& bar = window->SearchField();
    QTest::mouseClick(&bar, Qt::LeftButton);
    QVERIFY(bar.hasFocus());
    // The mouse wanders over the tree and the list before the keys come: they still go to the bar.
    for (QWidget* over : {window->TreePane().View().viewport(), window->DemoList().CurrentView().viewport()})
        Hover(over, QPoint(20, 10));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("q3dm"));
    for (const auto& [key, modifiers] : std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>>{
             {Qt::Key_A, Qt::ControlModifier}, {Qt::Key_F2, Qt::NoModifier}, {Qt::Key_F5, Qt::NoModifier}})
        Press(QApplication::focusWidget(), key, modifiers);
    QVERIFY(bar.hasFocus());
    QCOMPARE(bar.text(), QStringLiteral("q3dm"));
    QVERIFY(!folderAsked);
    QCOMPARE(window->DemoList().SelectedRows(), std::vector<int>{});

    // The tree frames the row that has the keyboard when it has it, across the whole row (the
    // style's own marks stay on the text).
    gui::FolderTreeView& treeView = window->TreePane().View();
    const QImage unfocused = treeView.viewport()->grab().toImage();
    treeView.setFocus();
    const QImage focused = treeView.viewport()->grab().toImage();
    const QRect current = treeView.visualRect(treeView.currentIndex());
    int framed = 0;
    for (int x = 0; x < current.left(); ++x)
        framed += focused.pixel(x, current.top()) != unfocused.pixel(x, current.top());
    QVERIFY(framed > 0);

    // Elsewhere the panes under the mouse take the keyboard again; Ctrl+F and the desktop's
    // search keys lead back to the bar with its text selected.
    for (const Qt::Key key : {Qt::Key_F, Qt::Key_Search, Qt::Key_Find}) {
        window->TreePane().View().setFocus();
        Hover(window->DemoList().CurrentView().viewport(), QPoint(30, 12));
        QVERIFY(window->DemoList().CurrentView().hasFocus());
        Press(QApplication::focusWidget(), key, key == Qt::Key_F ? Qt::ControlModifier : Qt::NoModifier);
        QVERIFY(bar.hasFocus());
        QCOMPARE(bar.selectedText(), QStringLiteral("q3dm"));
    }
}

void KeyboardTest::menusAndNoticesGiveTheKeyboardBack()
{
    Sandbox sandbox;
    sandbox.AddModernDemo(sandbox.Game() / "demos" / "a.dm_68", 68);
    auto window = sandbox.Start();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    window->DemoList().CurrentView().setFocus();
    // Alt+T opens "Tools"; Escape closes it, leaves the menu bar, then does what it does in the
    // window; Down then moves in the list and opens no menu.
    Press(window.get(), Qt::Key_T, Qt::AltModifier);
    QTRY_VERIFY(QApplication::activePopupWidget());
    for (int i = 0; i < 3; ++i)
        Press(QApplication::activePopupWidget() ? QApplication::activePopupWidget() : QApplication::focusWidget(),
              Qt::Key_Escape);
    QVERIFY(!QApplication::activePopupWidget());
    QVERIFY(!qobject_cast<QMenuBar*>(QApplication::focusWidget()));
    Press(QApplication::focusWidget(), Qt::Key_Down);
    QVERIFY(!QApplication::activePopupWidget());
    QCOMPARE(QApplication::focusWidget(), &window->DemoList().CurrentView());

    // A notice that waited beside the tip of the day gets the keyboard when the tip closes.
    auto* notice = new QMessageBox(QMessageBox::Information, QStringLiteral("Sound"), QStringLiteral("No sound"),
                                   QMessageBox::Ok, window.get());
    notice->setWindowModality(Qt::NonModal);
    notice->show();
    QApplication::setActiveWindow(window.get());
    QTimer::singleShot(0, [] {
        if (QWidget* tip = QApplication::activeModalWidget())
            tip->close();
    });
    window->Cmds().tipOfDay->trigger();
    QTRY_COMPARE(QApplication::activeWindow(), notice);
    delete notice;
}

void KeyboardTest::readOnlyKeysSaySo()
{
    Sandbox sandbox;
    sandbox.AddModernDemo(sandbox.Game() / "demos" / "a.dm_68", 68);
    testsupport::RecordingSink messages;
    auto window = sandbox.Start();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    core::FolderNode* node = core::FindNodeByPath(window->TreePane().Tree(), (sandbox.Game() / "demos").string());
    window->TreePane().SelectNode(node);
    window->DemoList().SelectRows({0}, false);
    const QString notice = QStringLiteral("Read-only mode: switch it off to rename or delete");
    struct KeyCase {
        QWidget* view;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    QWidget* list = &window->DemoList().CurrentView();
    QWidget* tree = &window->TreePane().View();
    const KeyCase cases[] = {{list, Qt::Key_F2, Qt::NoModifier},
                             {list, Qt::Key_Delete, Qt::NoModifier},
                             {list, Qt::Key_Delete, Qt::ShiftModifier},
                             {tree, Qt::Key_F2, Qt::NoModifier}};
    for (const bool readOnly : {true, false}) {
        if (window->Cmds().readOnly->isChecked() != readOnly)
            window->Cmds().readOnly->trigger();
        for (const KeyCase& c : cases) {
            window->Status().clearMessage();
            c.view->setFocus();
            Press(c.view, c.key, c.modifiers);
            // Off, the keys do their work (the delete questions are answered No).
            QCOMPARE(window->Status().currentMessage() == notice, readOnly);
            Press(QApplication::focusWidget(), Qt::Key_Escape); // ends a rename the key started
        }
    }
    QCOMPARE(messages.shown.size(), size_t(2));
    QCOMPARE(Names(window->DemoList()), QStringList{QStringLiteral("a.dm_68")});
}

void KeyboardTest::detailsWindowsByKeyboard()
{
    Sandbox sandbox;
    // Enough players for a scroll bar beside the list.
    std::vector<std::string> names = {"Sarge", "QTV-TEAMPLAY-NET | Spectator #2"};
    for (int i = 0; i < 30; ++i)
        names.push_back("Bot" + std::to_string(i));
    sandbox.AddModernDemo(sandbox.Game() / "demos" / "a.dm_68", 68, names);
    testsupport::RecordingSink messages; // playing from a made-up moment of this demo is refused
    auto window = sandbox.Start();
    QVERIFY(window);
    gui::PropertiesWindow* prop = OpenProperties(*window, sandbox.Game() / "demos");
    QVERIFY(prop);
    QVERIFY(QTest::qWaitForWindowActive(prop));

    // The players list shows the row that has the keyboard, walks with Down, and Enter opens the
    // player, which takes the keyboard; one Escape closes the player only. No name hides behind
    // the scroll bar.
    QListWidget& players = prop->PlayerList();
    prop->resize(prop->minimumSizeHint()); // as narrow as the window goes
    QTRY_VERIFY(players.verticalScrollBar()->isVisible());
    for (int row = 0; row < players.count(); ++row)
        QVERIFY(players.itemDelegate()->sizeHint(QStyleOptionViewItem(), players.model()->index(row, 0)).width() <=
                players.viewport()->width());
    players.setFocus(Qt::TabFocusReason);
    players.setCurrentRow(0, QItemSelectionModel::NoUpdate);
    const QImage before = players.viewport()->grab().toImage();
    Press(&players, Qt::Key_Down);
    QCOMPARE(players.currentRow(), 1);
    QVERIFY(players.viewport()->grab().toImage() != before);
    Press(&players, Qt::Key_Return);
    QPointer<gui::PlayerWindow> player = prop->ShownPlayerWindow();
    QVERIFY(player);
    QTRY_COMPARE(QApplication::activeWindow(), player.data());
    Press(QApplication::focusWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!player || !player->isVisible());
    QVERIFY(prop->isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), prop);

    // Ctrl+Tab and Ctrl+PgDn go through the tabs from inside any tab, backwards with Shift or PgUp.
    QTabWidget& tabs = prop->Tabs();
    gui::EventsTab& events = prop->Events();
    QTRY_VERIFY(!events.Loading());
    tabs.setCurrentWidget(&events);
    events.Table().setFocus();
    const int eventsIndex = tabs.currentIndex();
    Press(&events.Table(), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(tabs.currentIndex(), (eventsIndex + 1) % tabs.count());
    Press(QApplication::focusWidget(), Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(tabs.currentIndex(), eventsIndex);
    Press(&events.Table(), Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(tabs.currentIndex(), (eventsIndex + 1) % tabs.count());
    tabs.setCurrentWidget(&events);

    // The events table: rows as compact as the list's, Enter plays from the event, Tab leaves.
    core::DemoEventsResult result;
    result.protocol = 68;
    result.found = true;
    result.length = 60000;
    core::DemoEvent frag;
    frag.kind = core::EventKind::Frag;
    frag.demoTime = 20000;
    frag.player = 0;
    frag.other = 1;
    frag.playerName = "Sarge";
    frag.otherName = "Grunt";
    frag.weapon = core::Weapon::Gauntlet;
    frag.cause = core::DeathCause::Gauntlet;
    core::DemoEvent splash = frag;
    splash.demoTime = 30000;
    splash.weapon = core::Weapon::RocketLauncher;
    splash.cause = core::DeathCause::RocketSplash;
    core::DemoEvent fall = frag;
    fall.demoTime = 40000;
    fall.kind = core::EventKind::Suicide;
    fall.weapon = core::Weapon::None;
    fall.cause = core::DeathCause::Falling;
    result.events = {frag, splash, fall};
    events.Show(result);
    QTableWidget& table = events.Table();
    QCOMPARE(table.item(0, 5)->text(), QString()); // "Gauntlet" already stands in "Weapon"
    QCOMPARE(table.item(1, 5)->text(), QStringLiteral("splash"));
    QCOMPARE(table.item(2, 5)->text(), QStringLiteral("Fall"));
    const int listRow = window->DemoList().DetailsPart().visualRect(window->DemoList().Model().index(0, 0)).height();
    QVERIFY2(table.rowHeight(0) <= listRow + 2,
             qPrintable(QStringLiteral("%1 > %2").arg(table.rowHeight(0)).arg(listRow)));
    QVERIFY(table.rowHeight(0) >= table.fontMetrics().height());
    QSignalSpy played(&events, &gui::EventsTab::playFromRequested);
    table.setFocus();
    table.setCurrentCell(1, 0);
    Press(&table, Qt::Key_Return);
    QCOMPARE(played.count(), 1);
    QCOMPARE(played.front().front().toLongLong(), 30000);
    Press(&table, Qt::Key_Tab);
    QVERIFY(!table.hasFocus());
    QCOMPARE(table.currentRow(), 1);

    // On the timeline the arrows move the cursor by 1 s (10 s with Ctrl), Shift chooses a range
    // for "Save clip...", and Enter plays from the cursor.
    gui::EventTimeline& line = events.Timeline();
    line.setFocus();
    QCOMPARE(line.CursorTime(), 30000);
    Press(&line, Qt::Key_Right, Qt::ShiftModifier);
    Press(&line, Qt::Key_Right, Qt::ShiftModifier | Qt::ControlModifier);
    QVERIFY(line.Selection().has_value());
    QCOMPARE(*line.Selection(), std::make_pair(int64_t(30000), int64_t(41000)));
    QVERIFY(events.SaveClipButton().isEnabled());
    Press(&line, Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(*line.Selection(), std::make_pair(int64_t(30000), int64_t(40000)));
    Press(&line, Qt::Key_Return);
    QCOMPARE(played.back().front().toLongLong(), 40000);
    Press(&line, Qt::Key_Home);
    QVERIFY(!line.Selection().has_value());
    QCOMPARE(line.CursorTime(), 0);

    // The editor opened from the properties window: Tab leaves the description, Ctrl+Enter
    // there and Enter in a one-line field apply, Alt+O closes; the keyboard goes back to the
    // properties window.
    QTest::mouseClick(&prop->UserDataButton(), Qt::LeftButton);
    gui::DemoDetails& details = *window->findChild<gui::DemoDetails*>();
    QPointer<gui::UserDataEditor> editor = details.Editor();
    QVERIFY(editor);
    QTRY_COMPARE(QApplication::activeWindow(), editor.data());
    const fs::path notes = details.DescriptionPath("a.dm_68");
    editor->Description().setFocus();
    QTest::keyClicks(&editor->Description(), QStringLiteral("good"));
    Press(&editor->Description(), Qt::Key_Tab);
    QVERIFY(!editor->Description().hasFocus());
    QCOMPARE(editor->Description().toPlainText(), QStringLiteral("good"));
    editor->Description().setFocus();
    Press(&editor->Description(), Qt::Key_Return);
    QCOMPARE(editor->Description().toPlainText(), QStringLiteral("good\n"));
    QVERIFY(!fs::exists(notes));
    Press(&editor->Description(), Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(fs::exists(notes));
    QVERIFY(!editor->ApplyButton().isEnabled());
    editor->Rating().setFocus();
    editor->Rating().selectAll();
    QTest::keyClicks(&editor->Rating(), QStringLiteral("7"));
    Press(&editor->Rating(), Qt::Key_Return);
    QVERIFY(!editor->ApplyButton().isEnabled());
    QVERIFY(ReadFile(notes).find('7') != std::string::npos);
    Press(QApplication::focusWidget(), Qt::Key_O, Qt::AltModifier);
    QTRY_VERIFY(!editor);
    QTRY_COMPARE(QApplication::activeWindow(), prop);
}

void KeyboardTest::textReadsOnEveryBackground()
{
    // Every text colour the program picks, on the background it is drawn on, with the light and
    // a dark palette: the game's eight colours on the coloured lists (and their selected rows),
    // the timeline's team and player colours in the events table, the folder colours on the
    // tree's tints, the web location's two colours.
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    for (const auto& [role, colour] :
         {std::pair{QPalette::Base, QColor(0x2d, 0x2d, 0x2d)}, std::pair{QPalette::Window, QColor(0x35, 0x35, 0x35)},
          std::pair{QPalette::Text, QColor(0xee, 0xee, 0xee)},
          std::pair{QPalette::WindowText, QColor(0xee, 0xee, 0xee)}})
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
            dark.setColor(group, role, colour);
    QVERIFY(gui::IsDarkPalette(dark) && !gui::IsDarkPalette(light));

    std::vector<QColor> gameColours;
    for (char code = '0'; code <= '7'; ++code)
        gameColours.push_back(gui::GameColour(code));
    std::vector<QColor> playerColours;
    for (const int team : {core::kTeamFree, core::kTeamRed, core::kTeamBlue, core::kTeamSpectator})
        for (int client = 0; client < 10; ++client)
            playerColours.push_back(gui::EventTimeline::PlayerColour(client, team));
    const QColor folderColours[] = {gui::ColourFromStored(0), gui::ColourFromStored(0x808080)};

    for (const QPalette& palette : {light, dark}) {
        QApplication::setPalette(palette);
        const bool isDark = &palette == &dark;
        std::vector<std::pair<QColor, QColor>> pairs; // text, background
        for (const QColor list : {QColor(72, 72, 88), QColor(64, 64, 80)})
            for (const QColor& colour : gameColours) {
                pairs.emplace_back(gui::ReadableOn(colour, list), list);
                const QColor selected = gui::ColouredTextDelegate::SelectedBackground(list);
                pairs.emplace_back(gui::ReadableOn(colour, selected), selected);
            }
        // The events table as it is filled, with a player and a victim of every colour.
        gui::EventsTab tab;
        core::DemoEventsResult result;
        for (int i = 0; i < 40; ++i) {
            core::DemoEvent e;
            e.kind = core::EventKind::Frag;
            e.player = i % 10;
            e.other = (i + 1) % 10;
            e.playerTeam = e.otherTeam = std::vector{core::kTeamFree, core::kTeamRed, core::kTeamBlue,
                                                     core::kTeamSpectator}[static_cast<size_t>(i / 10)];
            e.playerName = e.otherName = "x";
            result.events.push_back(e);
        }
        tab.Show(result);
        for (int row = 0; row < tab.Table().rowCount(); ++row)
            for (const int column : {2, 3})
                pairs.emplace_back(tab.Table().item(row, column)->foreground().color(),
                                   tab.Table().palette().color(QPalette::Base));
        // The folder tree's default tint and colours, through its model.
        gui::FolderTreePane tree;
        gui::TreeOptions options;
        options.background = gui::ShownPaneColour(10813437, 10813437, isDark);
        options.colours.nonDemoFolder = 0x808080;
        tree.ApplyOptions(options);
        tree.Model().Change([&] {
            tree.Tree().AddRoot("/demo-folder", 0);
            tree.Tree().AddRoot("/other-folder", 0x808080);
        });
        for (int row = 0; row < 2; ++row)
            pairs.emplace_back(tree.Model().index(row, 0).data(Qt::ForegroundRole).value<QColor>(), options.background);
        pairs.emplace_back(gui::EventTimeline::LabelColour(), gui::EventTimeline::Background());
        for (const QColor& colour : folderColours)
            pairs.emplace_back(gui::ReadableOn(colour, options.background), options.background);

        for (const auto& [text, background] : pairs)
            QVERIFY2(gui::ContrastRatio(text, background) >= 4.5,
                     qPrintable(QStringLiteral("%1 on %2: %3")
                                    .arg(text.name(), background.name())
                                    .arg(gui::ContrastRatio(text, background))));
    }
    QApplication::setPalette(light);

    // A colour that reads already stays exactly as it is; one that does not keeps its hue.
    QCOMPARE(gui::ReadableOn(QColor(255, 255, 255), QColor(72, 72, 88)), QColor(255, 255, 255));
    QCOMPARE(gui::ReadableOn(QColor(0, 0, 0), QColor(230, 253, 255)), QColor(0, 0, 0));
    const QColor red = gui::ReadableOn(QColor(0x31, 0x50, 0xA2), QColor(0x3D, 0x3D, 0x3D));
    QVERIFY(std::abs(red.hslHue() - QColor(0x31, 0x50, 0xA2).hslHue()) <= 2);
    QVERIFY(gui::ContrastRatio(red, QColor(0x3D, 0x3D, 0x3D)) < 5.0); // no further than needed
}

void KeyboardTest::helpDescribesEveryCommandByItsName()
{
    Sandbox sandbox;
    sandbox.AddModernDemo(sandbox.Game() / "demos" / "a.dm_68", 68, {"Sarge"});
    auto window = sandbox.Start();
    QVERIFY(window);
    gui::PropertiesWindow* prop = OpenProperties(*window, sandbox.Game() / "demos");
    QVERIFY(prop);
    prop->OpenPlayer(0);
    auto& details = *window->findChild<gui::DemoDetails*>();
    details.OpenEditorFor("a.dm_68", (sandbox.Game() / "demos").string());
    window->Cmds().soundOptions->trigger();
    QWidget* sound = window->findChild<QWidget*>(QStringLiteral("SoundOptionsWindow"));
    QVERIFY(sound);
    gui::PlaybackKeysDialog keys(window.get());
    gui::GameParametersDialog parameters(window.get());
    gui::ColumnChooser columns(window->DemoList(), QStringLiteral("Choose Demolist Columns"), window.get());
    gui::TipOfDay tip(true, 0, window.get());
    gui::VideoExportDialog video(QStringLiteral("a.mp4"), core::VideoSettings{}, window.get());
    gui::VideoExportWindow filming(core::CapturePlan{}, window.get());

    QWidget* main = window.get();
    const std::map<QString, QList<QWidget*>> described = {
        {QStringLiteral("properties.html"), {main, prop, prop->ShownPlayerWindow()}},
        {QStringLiteral("user-data.html"), {main, prop, details.Editor()}},
        {QStringLiteral("sound.html"), {sound}},
        {QStringLiteral("playing.html"), {main, &keys, &parameters}},
        {QStringLiteral("columns.html"), {main, &columns}},
        {QStringLiteral("files.html"), {main, &tip}},
        {QStringLiteral("video.html"), {main, prop, &video, &filming}},
    };
    QString allHelp;
    const QRegularExpression quoted(QStringLiteral("\"([^\"]+)\""));
    for (const QString& page : gui::HelpWindow::Pages()) {
        const QString text = HelpText(page);
        QVERIFY2(!text.isEmpty(), qPrintable(page));
        allHelp += text + QLatin1Char('\n');
        const auto found = described.find(page);
        const QSet<QString> names = ControlNames(found == described.end() ? QList<QWidget*>{main} : found->second);
        for (const QRegularExpressionMatch& match : quoted.globalMatch(text)) {
            // A quoted value of a search term (say:"good game") is typed text, not a control.
            if (match.capturedStart(0) > 0 && text.at(match.capturedStart(0) - 1) == QLatin1Char(':'))
                continue;
            QVERIFY2(names.contains(match.captured(1)), qPrintable(page + QStringLiteral(": ") + match.captured(0)));
        }
    }
    for (QWidget* each : {main, static_cast<QWidget*>(prop), static_cast<QWidget*>(details.Editor())})
        for (const QAction* action : each->findChildren<QAction*>()) {
            const QString name = ShownName(action->text());
            QVERIFY2(name.isEmpty() || allHelp.contains(name), qPrintable(QStringLiteral("no help on ") + name));
        }
}

VELMORA_GUI_TEST(KeyboardTest)
#include "KeyboardTest.moc"
