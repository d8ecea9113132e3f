// The program on the desktop: its window icon, files opened from the command line or a file
// manager (also handed over to a running instance), and deleting into the desktop's trash.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>

#include <deque>
#include <filesystem>
#include <fstream>

#include "core/library/FolderTreeOps.h"
#include "core/settings/Settings.h"
#include "gui/app/FileOpener.h"
#include "gui/app/MainWindow.h"
#include "gui/app/SingleInstance.h"
#include "gui/common/BusyScope.h"
#include "gui/common/PaletteColours.h"
#include "gui/details/ColouredText.h"
#include "gui/details/DemoDetails.h"
#include "gui/details/PropertiesWindow.h"
#include "gui/extras/HelpWindow.h"
#include "gui/fileops/FileOperations.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/PlayListPane.h"
#include "gui/tree/FolderTreeModel.h"
#include "gui/tree/FolderTreePane.h"
#include "support/Recorder.h"
#include "support/gui/GuiTestSupport.h"

using namespace guitest;
namespace fs = std::filesystem;

namespace {

QString Text(const fs::path& path)
{
    return QString::fromStdString(path.string());
}

// Answers the questions one by one, in the order they come.
class ScriptedSink : public testsupport::RecordingSink {
public:
    bool Question(const std::string& text, const std::string& title) override
    {
        shown.push_back({"question", text, title});
        if (answers.empty())
            return false;
        const bool next = answers.front();
        answers.pop_front();
        return next;
    }
    std::deque<bool> answers;
};

gui::PropertiesWindow* ShownProperties(gui::MainWindow& window)
{
    gui::DemoDetails* details = window.findChild<gui::DemoDetails*>();
    gui::PropertiesWindow* properties = details ? details->Properties() : nullptr;
    return properties && properties->isVisible() ? properties : nullptr;
}

QString ShownDemo(gui::MainWindow& window)
{
    gui::PropertiesWindow* properties = ShownProperties(window);
    return properties ? QString::fromStdString(properties->Snapshot().info[core::FieldDemoname]) : QString();
}

QStringList SelectedNames(gui::ListPane& pane)
{
    QStringList names;
    for (int row : pane.SelectedRows())
        names.push_back(QString::fromStdString(pane.Model().Row(row).info[core::FieldDemoname]));
    return names;
}

void SelectNamed(gui::ListPane& pane, const QString& name)
{
    const QStringList names = Names(pane);
    pane.SelectRows({static_cast<int>(names.indexOf(name))}, false);
}

void ListFolder(gui::MainWindow& window, const fs::path& folder)
{
    core::FolderNode* node = core::FindNodeByPath(window.TreePane().Tree(), folder.string());
    QVERIFY(node);
    window.TreePane().SelectNode(node);
    window.ListNode(node);
}

// The environment variable for the length of a scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QByteArray& value) : m_name(name), m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedVariable() { qputenv(m_name, m_old); }

private:
    const char* m_name;
    QByteArray m_old;
};

fs::path TrashFolder()
{
    return fs::path(qgetenv("XDG_DATA_HOME").toStdString()) / "Trash";
}

} // namespace

class DesktopTest : public QObject {
    Q_OBJECT
private slots:
    void windowShowsTheProgramIcon();
    void commandLineNamesFilesToOpen();
    void demoFromTheCommandLineShowsItsProperties();
    void playListFromTheCommandLineIsLoaded();
    void laterStartHandsItsFileOver();
    void deleteMovesDemosToTheTrash();
    void withoutTrashTheUserDecides();
    void helpOpensAndClosesWithF1();
    void helpPagesCoverEveryWindowAndLinkUp();
    void darkPaletteDarkensDefaultColoursOnly();
    void gameColoursStayReadableOnDarkBackgrounds();
};

void DesktopTest::windowShowsTheProgramIcon()
{
    Sandbox sandbox;
    auto window = sandbox.Start(false);
    QVERIFY(window);
    const QIcon icon = window->windowIcon();
    QVERIFY(!icon.isNull());
    // Every drawn size is there, so that no size is scaled from another.
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        QVERIFY2(icon.availableSizes().contains(QSize(size, size)), qPrintable(QString::number(size)));
    // Drawn, not empty: the middle of the picture has colour.
    const QImage picture = icon.pixmap(QSize(48, 48)).toImage();
    QVERIFY(qAlpha(picture.pixel(24, 24)) > 200);
}

void DesktopTest::commandLineNamesFilesToOpen()
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    QDir(folder).mkdir(QStringLiteral("sub"));
    for (const char* name : {"duel.dm_48", "final.DM_68", "list.vmr", "notes.txt", "-n.dm3"})
        QFile(QDir(folder).filePath(QString::fromLatin1(name))).open(QIODevice::WriteOnly);
    const QString program = QStringLiteral("/usr/bin/velmora");
    struct Case {
        QStringList arguments;
        QStringList absolute; // after AbsoluteArguments in `folder`
        QStringList files;    // FilesToOpen of the absolute form
    };
    const QString duel = folder + QStringLiteral("/duel.dm_48");
    const QString final68 = folder + QStringLiteral("/final.DM_68");
    const QString list = folder + QStringLiteral("/list.vmr");
    const Case cases[] = {
        {{program}, {program}, {}},
        // Relative names become full paths; the order stays.
        {{program, QStringLiteral("list.vmr"), QStringLiteral("duel.dm_48")}, {program, list, duel}, {list, duel}},
        {{program, QStringLiteral("./sub/../final.DM_68")}, {program, final68}, {final68}},
        {{program, QStringLiteral("./nowhere/../final.DM_68")},
         {program, QStringLiteral("./nowhere/../final.DM_68")},
         {QStringLiteral("./nowhere/../final.DM_68")}},
        // Options, other files and names of nothing stay as they are and open nothing.
        {{program, QStringLiteral("nosplash"), QStringLiteral("notes.txt"), QStringLiteral("-n.dm3")},
         {program, QStringLiteral("nosplash"), folder + QStringLiteral("/notes.txt"), QStringLiteral("-n.dm3")},
         {}},
        // A name of nothing stays a name; opening it finds no file.
        {{program, QStringLiteral("missing.dm_48")},
         {program, QStringLiteral("missing.dm_48")},
         {QStringLiteral("missing.dm_48")}},
        // A file manager may pass locations.
        {{program, QStringLiteral("file://") + duel}, {program, QStringLiteral("file://") + duel}, {duel}},
        {{program, QStringLiteral("https://example.org/a.dm_48")},
         {program, QStringLiteral("https://example.org/a.dm_48")},
         {}},
    };
    for (const Case& c : cases) {
        const QStringList absolute = gui::AbsoluteArguments(c.arguments, folder);
        QCOMPARE(absolute, c.absolute);
        QCOMPARE(gui::FilesToOpen(absolute), c.files);
    }
}

void DesktopTest::demoFromTheCommandLineShowsItsProperties()
{
    Sandbox sandbox;
    testsupport::RecordingSink sink;
    const fs::path demos = sandbox.Game() / "baseoa" / "demos";
    sandbox.AddDemo(demos / "a.dm_48", 48, 200, 1);
    sandbox.AddDemo(demos / "b.dm_48", 48, 200, 2);
    const fs::path elsewhere = sandbox.Root() / "elsewhere" / "cup";
    sandbox.AddModernDemo(elsewhere / "final.dm_68", 68, {"Sarge", "Major"});
    auto window = sandbox.Start();
    QVERIFY(window);
    QCOMPARE(window->CurrentFolder(), sandbox.Game().string());
    auto* opener = new gui::FileOpener(*window);

    // A folder of the tree: listed, the demo selected, its properties shown.
    opener->Open(gui::FilesToOpen({QStringLiteral("velmora"), Text(demos / "b.dm_48")}));
    QCOMPARE(window->CurrentFolder(), demos.string());
    QCOMPARE(window->TreePane().Tree().Selected(), core::FindNodeByPath(window->TreePane().Tree(), demos.string()));
    QCOMPARE(SelectedNames(window->DemoList()), QStringList{QStringLiteral("b.dm_48")});
    QCOMPARE(ShownDemo(*window), QStringLiteral("b.dm_48"));

    // A folder the tree does not know becomes a root; the properties window follows the demo.
    const size_t roots = window->TreePane().Tree().Roots().size();
    opener->Open({Text(elsewhere / "final.dm_68")});
    QCOMPARE(window->TreePane().Tree().Roots().size(), roots + 1);
    QCOMPARE(window->CurrentFolder(), elsewhere.string());
    QCOMPARE(SelectedNames(window->DemoList()), QStringList{QStringLiteral("final.dm_68")});
    QCOMPARE(ShownDemo(*window), QStringLiteral("final.dm_68"));
    QCOMPARE(ShownProperties(*window)->windowTitle(), QStringLiteral("Properties of final.dm_68"));

    // Files that came while a listing ran wait for its end.
    ++gui::BusyCount;
    opener->Open({Text(demos / "a.dm_48")});
    QCOMPARE(window->CurrentFolder(), elsewhere.string());
    --gui::BusyCount;
    QTRY_COMPARE(ShownDemo(*window), QStringLiteral("a.dm_48"));
    QCOMPARE(window->CurrentFolder(), demos.string());
    QVERIFY(sink.shown.empty());
    ShownProperties(*window)->close();
}

void DesktopTest::playListFromTheCommandLineIsLoaded()
{
    Sandbox sandbox;
    testsupport::RecordingSink sink;
    const fs::path demos = sandbox.Game() / "baseoa" / "demos";
    sandbox.AddDemo(demos / "a.dm_48", 48, 200, 1);
    sandbox.AddDemo(demos / "b.dm_48", 48, 200, 2);
    const fs::path list = sandbox.Root() / "lists" / "Evening.vmr";
    fs::create_directories(list.parent_path());
    std::ofstream(list, std::ios::binary) << "VMR Play List, ver 1.32\r\n"
                                          << (demos / "b.dm_48").string() << "\r\n"
                                          << (demos / "a.dm_48").string() << "\r\n";
    auto window = sandbox.Start();
    QVERIFY(window);
    window->SetPlayListShown(false);
    auto* opener = new gui::FileOpener(*window);
    opener->Open(gui::FilesToOpen({QStringLiteral("velmora"), Text(list)}));
    QVERIFY(window->PlayListShown());
    QCOMPARE(Names(window->PlayList()), (QStringList{QStringLiteral("b.dm_48"), QStringLiteral("a.dm_48")}));
    QVERIFY(sink.shown.empty());
}

void DesktopTest::laterStartHandsItsFileOver()
{
    Sandbox sandbox;
    testsupport::RecordingSink sink;
    const fs::path demos = sandbox.Game() / "baseoa" / "demos";
    sandbox.AddDemo(demos / "a.dm_48", 48, 200, 1);
    sandbox.AddDemo(demos / "b.dm_48", 48, 200, 2);
    // The program as a portable copy in the sandbox: it shares this window's configuration file.
    const fs::path program = sandbox.Program() / "velmora";
    fs::copy_file(VELMORA_GUI_PATH, program);
    auto window = sandbox.Start();
    QVERIFY(window);
    gui::SingleInstance instance(
        gui::SingleInstance::NameFor(Text(sandbox.Config()), gui::SingleInstance::CurrentDisplay()));
    QCOMPARE(instance.Claim({QStringLiteral("velmora")}), gui::SingleInstance::Outcome::First);
    auto* opener = new gui::FileOpener(*window);
    opener->AcceptHandOvers(instance);

    // Started in the demo's folder with its bare name, as a file manager may do.
    QProcess later;
    later.setWorkingDirectory(Text(demos));
    later.start(Text(program), {QStringLiteral("b.dm_48")});
    QVERIFY(later.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(later.state(), QProcess::NotRunning, 20000);
    QCOMPARE(later.exitStatus(), QProcess::NormalExit);
    QCOMPARE(later.exitCode(), 0);
    QTRY_COMPARE(ShownDemo(*window), QStringLiteral("b.dm_48"));
    QCOMPARE(window->CurrentFolder(), demos.string());
    QCOMPARE(instance.Received().value(1), Text(demos / "b.dm_48"));
    // The later start ended before writing anything of its own.
    QVERIFY(!fs::exists(sandbox.Config()));
    ShownProperties(*window)->close();
}

void DesktopTest::deleteMovesDemosToTheTrash()
{
    Sandbox sandbox;
    const fs::path demos = sandbox.Game() / "baseoa" / "demos";
    for (const char* name : {"a.dm_48", "b.dm_48", "c.dm_48"})
        sandbox.AddDemo(demos / name);
    std::ofstream(demos / "notes.txt") << "kept";
    fs::create_directories(demos / "old");
    auto window = sandbox.Start();
    QVERIFY(window);
    ListFolder(*window, demos);
    window->Cmds().readOnly->trigger();
    gui::DemoListPane& list = window->DemoList();
    ScriptedSink sink;
    const fs::path trash = TrashFolder();

    // Del: the question, then into the trash with the record of where it came from.
    SelectNamed(list, QStringLiteral("b.dm_48"));
    sink.answers = {true};
    QCOMPARE(list.DeleteAction()->shortcut(), QKeySequence(Qt::Key_Delete));
    list.DeleteAction()->trigger();
    QCOMPARE(sink.shown.size(), size_t(1));
    QCOMPARE(sink.shown.back().text, "Really delete the 1 selected file(s) from\r\n" + demos.string() + " ?");
    QCOMPARE(sink.shown.back().title, std::string("Really Delete Demo Files ?"));
    QVERIFY(!fs::exists(demos / "b.dm_48"));
    QVERIFY(fs::is_regular_file(trash / "files" / "b.dm_48"));
    const std::string info = ReadFile(trash / "info" / "b.dm_48.trashinfo");
    QVERIFY2(info.find("[Trash Info]\n") == 0, info.c_str());
    QVERIFY2(info.find("Path=" + QUrl::toPercentEncoding(Text(demos / "b.dm_48"), "/").toStdString() + "\n") !=
                 std::string::npos,
             info.c_str());
    QVERIFY(info.find("DeletionDate=") != std::string::npos);
    QCOMPARE(Names(list).size(), 2);
    QVERIFY(!Names(list).contains(QStringLiteral("b.dm_48")));

    // No: nothing happens.
    SelectNamed(list, QStringLiteral("a.dm_48"));
    sink.answers = {false};
    list.DeletePermanentlyAction()->trigger();
    QVERIFY(fs::exists(demos / "a.dm_48"));
    QCOMPARE(Names(list).size(), 2);
    // Shift+Del: its own question, then gone without the trash.
    QCOMPARE(list.DeletePermanentlyAction()->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    sink.answers = {true};
    list.DeletePermanentlyAction()->trigger();
    QCOMPARE(sink.shown.back().title, std::string("Really Delete Demo Files Permanently ?"));
    QCOMPARE(sink.shown.back().text, "Really delete the 1 selected file(s) from\r\n" + demos.string() +
                                         " ?\r\nThey do not go to the trash and cannot be restored.");
    QVERIFY(!fs::exists(demos / "a.dm_48"));
    QVERIFY(!fs::exists(trash / "files" / "a.dm_48"));
    QVERIFY(!fs::exists(trash / "info" / "a.dm_48.trashinfo"));
    QCOMPARE(Names(list), QStringList{QStringLiteral("c.dm_48")});

    // An empty folder removed from the disk goes to the trash too.
    core::FolderNode* old = core::FindNodeByPath(window->TreePane().Tree(), (demos / "old").string());
    QVERIFY(old);
    window->TreePane().SelectNode(old);
    sink.answers = {true};
    window->TreePane().RemoveFromDiskAction()->trigger();
    QVERIFY(!fs::exists(demos / "old"));
    QVERIFY(fs::is_directory(trash / "files" / "old"));
    QVERIFY(fs::exists(trash / "info" / "old.trashinfo"));

    // Nothing else was lost.
    QVERIFY(fs::exists(demos / "c.dm_48"));
    QCOMPARE(ReadFile(demos / "notes.txt"), std::string("kept"));
    QCOMPARE(sink.shown.size(), size_t(4));
}

void DesktopTest::withoutTrashTheUserDecides()
{
    Sandbox sandbox;
    const fs::path demos = sandbox.Game() / "baseoa" / "demos";
    for (const char* name : {"a.dm_48", "b.dm_48", "c.dm_48"})
        sandbox.AddDemo(demos / name);
    // The working directory, where no file may land for want of a trash.
    const fs::path work = sandbox.Root() / "work";
    fs::create_directories(work);
    const QString previous = QDir::currentPath();
    QDir::setCurrent(Text(work));
    // A trash folder that cannot be made: a file stands where its parent would be.
    const fs::path blocked = sandbox.Root() / "not-a-folder";
    std::ofstream(blocked) << "x";
    ScopedVariable data("XDG_DATA_HOME", QByteArray::fromStdString((blocked / "data").string()));
    auto window = sandbox.Start();
    QVERIFY(window);
    ListFolder(*window, demos);
    window->Cmds().readOnly->trigger();
    gui::DemoListPane& list = window->DemoList();
    ScriptedSink sink;

    // Yes to the delete, No to deleting without the trash: everything stays, still selected.
    list.SelectRows({0, 1}, false);
    const QStringList chosen = SelectedNames(list);
    sink.answers = {true, false};
    list.DeleteAction()->trigger();
    QCOMPARE(sink.shown.size(), size_t(2));
    QCOMPARE(sink.shown.back().title, std::string("No Trash"));
    QCOMPARE(sink.shown.back().text,
             "There is no trash for\r\n" + demos.string() + "\r\nDelete the 2 remaining file(s) permanently ?");
    QCOMPARE(Names(list).size(), 3);
    QCOMPARE(SelectedNames(list), chosen);
    for (const char* name : {"a.dm_48", "b.dm_48", "c.dm_48"})
        QVERIFY(fs::exists(demos / name));

    // Yes to both: the two go for good, asked once for both; the third stays.
    sink.answers = {true, true};
    list.DeleteAction()->trigger();
    QCOMPARE(sink.shown.size(), size_t(4));
    QCOMPARE(Names(list).size(), 1);
    int left = 0;
    for (const char* name : {"a.dm_48", "b.dm_48", "c.dm_48"})
        left += fs::exists(demos / name) ? 1 : 0;
    QCOMPARE(left, 1);
    QVERIFY(fs::exists(demos / Names(list).front().toStdString()));
    QVERIFY(fs::is_empty(work));
    QDir::setCurrent(previous);
}

void DesktopTest::helpOpensAndClosesWithF1()
{
    Sandbox sandbox;
    testsupport::RecordingSink sink;
    auto window = sandbox.Start();
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QVERIFY(!window->Help());
    QCOMPARE(window->Cmds().help->shortcut(), QKeySequence(Qt::Key_F1));
    window->Cmds().help->trigger();
    gui::HelpWindow* help = window->Help();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    // A tool window like the others: it belongs to the window it was opened from and takes the
    // keyboard, which goes back to that window when it closes (below).
    QCOMPARE(help->windowType(), Qt::Tool);
    QCOMPARE(help->parentWidget(), window.get());
    QTRY_COMPARE(QApplication::activeWindow(), help);
    QCOMPARE(help->windowTitle(), QStringLiteral("Velmora Help"));
    QCOMPARE(help->Browser().documentTitle(), QStringLiteral("Contents"));
    QCOMPARE(help->Browser().source(), gui::HelpWindow::PageUrl(QStringLiteral("index.html")));
    // Nothing is missing: no message about a help file.
    QVERIFY(sink.shown.empty());

    // Following a link, then back.
    help->ShowPage(QStringLiteral("properties.html"));
    QCOMPARE(help->Browser().documentTitle(), QStringLiteral("The properties window"));
    help->Browser().backward();
    QCOMPARE(help->Browser().documentTitle(), QStringLiteral("Contents"));

    // Help again closes the open help window.
    window->Cmds().help->trigger();
    QTRY_VERIFY(!window->Help());
    window->Cmds().help->trigger();
    QTRY_VERIFY(window->Help());
    // Escape closes it too.
    QTRY_COMPARE(QApplication::activeWindow(), window->Help());
    QTest::keyClick(&window->Help()->Browser(), Qt::Key_Escape);
    QTRY_VERIFY(!window->Help());
    QTRY_COMPARE(QApplication::activeWindow(), window.get());

    // F1 in a tool window opens the help at that window's page.
    sandbox.AddDemo(sandbox.Game() / "a.dm_48");
    window->RefreshList();
    window->DemoList().SelectRows({0}, false);
    window->findChild<gui::DemoDetails*>()->OpenProperties(window->DemoList());
    gui::PropertiesWindow* properties = ShownProperties(*window);
    QVERIFY(properties);
    QTest::keyClick(properties, Qt::Key_F1);
    QVERIFY(window->Help());
    QCOMPARE(window->Help()->Browser().source(), gui::HelpWindow::PageUrl(QStringLiteral("properties.html")));
    properties->close();
    window->Help()->close();
    QTRY_VERIFY(!window->Help());
    QVERIFY(sink.shown.empty());
}

void DesktopTest::helpPagesCoverEveryWindowAndLinkUp()
{
    const QStringList pages = gui::HelpWindow::Pages();
    QCOMPARE(pages.value(0), QStringLiteral("index.html"));
    // Every window of the program has its page (or its part of a page), found by its title.
    const QStringList windows = {
        QStringLiteral("The main window"),
        QStringLiteral("The folder tree"),
        QStringLiteral("The demo list"),
        QStringLiteral("The play list and playing demos"),
        QStringLiteral("Demo Playback Control Keys"),
        QStringLiteral("Global Command Line Parameters"),
        QStringLiteral("The properties window"),
        QStringLiteral("Player description"),
        QStringLiteral("Large picture"),
        QStringLiteral("the user data editor"),
        QStringLiteral("Choosing the columns"),
        QStringLiteral("Sound options"),
        QStringLiteral("Tip of the day"),
    };
    gui::HelpWindow help;
    QString everything;
    for (const QString& page : pages) {
        help.ShowPage(page);
        const QString html = help.Browser().toHtml();
        QVERIFY2(!help.Browser().documentTitle().isEmpty(), qPrintable(page));
        everything += help.Browser().toPlainText();
        // Every link to another page of the help names a page that exists.
        static const QRegularExpression link(QStringLiteral("href=\"([a-z-]+\\.html)(#[a-z]+)?\""));
        for (auto it = link.globalMatch(html); it.hasNext();) {
            const QString target = it.next().captured(1);
            QVERIFY2(pages.contains(target), qPrintable(page + QStringLiteral(" links to ") + target));
        }
    }
    for (const QString& title : windows)
        QVERIFY2(everything.contains(title, Qt::CaseInsensitive), qPrintable(title));
    // The pages F1 opens from the tool windows exist, anchors included.
    for (const char* name :
         {"PropertiesWindow", "PlayerWindow", "PictureWindow", "UserDataEditor", "SoundOptionsWindow", "ColumnChooser",
          "PlaybackKeysDialog", "GameParametersDialog", "TipOfDay", "AboutBox"}) {
        const QString page = gui::HelpWindow::PageFor(QString::fromLatin1(name));
        QVERIFY2(pages.contains(page.section(QLatin1Char('#'), 0, 0)), name);
        const QString anchor = page.section(QLatin1Char('#'), 1);
        if (!anchor.isEmpty()) {
            help.ShowPage(page.section(QLatin1Char('#'), 0, 0));
            QVERIFY2(help.Browser().toHtml().contains(QStringLiteral("name=\"") + anchor + QLatin1Char('"')), name);
        }
    }
    QVERIFY(gui::HelpWindow::PageFor(QStringLiteral("MainWindow")).isEmpty());
}

void DesktopTest::darkPaletteDarkensDefaultColoursOnly()
{
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Base, QColor(30, 30, 34));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Window, QColor(45, 45, 50));
    QApplication::setPalette(dark);
    Sandbox sandbox;
    sandbox.AddDemo(sandbox.Game() / "a.dm_48");
    // The play list's colour is the user's own (pure red); the others are at their defaults.
    sandbox.WriteConfig("[Play List]\r\nColor=255\r\n");
    auto window = sandbox.Start();
    QVERIFY(window);
    const QColor demoList = window->DemoList().Options().colour;
    const QColor tree = window->TreePane().Options().background;
    QVERIFY2(gui::IsDark(demoList), qPrintable(demoList.name()));
    QVERIFY2(gui::IsDark(tree), qPrintable(tree.name()));
    // The hue of the pastel stays: the demo list stays bluish, the tree yellowish.
    QVERIFY(demoList.blue() > demoList.red());
    QVERIFY(tree.red() > tree.blue());
    QCOMPARE(window->PlayList().Options().colour, QColor(255, 0, 0));
    // Folder names at the default black read light on the dark tree.
    const QModelIndex root = window->TreePane().Model().index(0, 0);
    QVERIFY(!gui::IsDark(root.data(Qt::ForegroundRole).value<QColor>()));

    // The file keeps the defaults as defaults and the user's colour as it was.
    QVERIFY(window->close());
    const std::string config = sandbox.ReadConfig();
    QVERIFY(config.find("Color=16776678\r\n") != std::string::npos);
    QVERIFY(config.find("Color=10813437\r\n") != std::string::npos);
    QVERIFY(config.find("Color=255\r\n") != std::string::npos);
    QApplication::setPalette(light);

    // On a light palette the defaults are the pastels themselves.
    auto again = sandbox.Start();
    QVERIFY(again);
    QCOMPARE(again->DemoList().Options().colour, gui::ColourFromStored(16776678));
    QCOMPARE(again->TreePane().Options().background, gui::ColourFromStored(10813437));
}

void DesktopTest::gameColoursStayReadableOnDarkBackgrounds()
{
    const QColor darkBackground(64, 64, 80), lightBackground(230, 253, 255);
    for (char code = '0'; code <= '7'; ++code) {
        const QColor colour = gui::GameColour(code);
        for (const QColor& background : {darkBackground, lightBackground}) {
            const QColor shown = gui::ReadableOn(colour, background);
            QVERIFY2(gui::ContrastRatio(shown, background) >= 4.5, qPrintable(QString(QLatin1Char(code))));
            // Only a colour that did not read changes.
            QCOMPARE(shown == colour, gui::ContrastRatio(colour, background) >= 4.5);
        }
    }
    // White on the dark lists and black on the light ones read as they are.
    QCOMPARE(gui::ReadableOn(Qt::white, darkBackground), QColor(Qt::white));
    QCOMPARE(gui::ReadableOn(Qt::black, lightBackground), QColor(Qt::black));
    QVERIFY(std::abs(gui::ContrastRatio(Qt::white, Qt::black) - 21.0) < 0.01);
    // Pastel defaults get dark variants; the stored value goes back to the default.
    for (uint32_t stored : {16776678u, 16770809u, 10813437u}) {
        const QColor shown = gui::ShownPaneColour(stored, stored, true);
        QVERIFY(gui::IsDark(shown));
        QCOMPARE(gui::StoredPaneColour(shown, stored, true), stored);
        QCOMPARE(gui::ShownPaneColour(stored, stored, false), gui::ColourFromStored(stored));
        QCOMPARE(gui::ShownPaneColour(255, stored, true), QColor(255, 0, 0));
        QCOMPARE(gui::StoredPaneColour(QColor(255, 0, 0), stored, true), 255u);
    }
}

VELMORA_GUI_TEST(DesktopTest)
#include "DesktopTest.moc"
