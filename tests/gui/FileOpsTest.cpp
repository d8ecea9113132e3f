// File operations in the real window on real files: renames by protocol through the in-place
// editor, moves onto tree nodes with the overwrite question, new folders, removing folders, and
// the read-only mode's hold on every changing command.
#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <fstream>

#include "core/library/FolderTreeOps.h"
#include "core/library/Scanner.h"
#include "core/settings/Settings.h"
#include "gui/app/MainWindow.h"
#include "gui/common/StatusPanels.h"
#include "gui/details/DemoDetails.h"
#include "gui/details/PropertiesWindow.h"
#include "gui/fileops/DefragRenameDialog.h"
#include "gui/fileops/FileOperations.h"
#include "gui/fileops/InPlaceEditor.h"
#include "gui/lists/DemoListPane.h"
#include "gui/tree/FolderTreePane.h"
#include "support/DefragDemo.h"
#include "support/Recorder.h"
#include "support/ZipBuilder.h"
#include "support/gui/GuiTestSupport.h"

using namespace guitest;
namespace fs = std::filesystem;

namespace {

core::FolderNode* Node(gui::MainWindow& window, const fs::path& folder)
{
    return core::FindNodeByPath(window.TreePane().Tree(), folder.string());
}

void List(gui::MainWindow& window, const fs::path& folder)
{
    core::FolderNode* node = Node(window, folder);
    QVERIFY(node);
    window.TreePane().SelectNode(node);
    QCOMPARE(window.CurrentFolder(), folder.string());
}

gui::FileOperations& Ops(gui::MainWindow& window)
{
    return *window.findChild<gui::FileOperations*>();
}

void WriteOff(gui::MainWindow& window)
{
    if (core::Settings.work_readonly)
        window.Cmds().readOnly->trigger();
}

int RowNamed(const gui::ListPane& pane, const QString& name)
{
    return static_cast<int>(Names(pane).indexOf(name));
}

} // namespace

class FileOpsTest : public QObject {
    Q_OBJECT
private slots:
    void renamesFitTheProtocol();
    void returnEndsTheRenameOnly();
    void refusedRenamesChangeNothing();
    void movesAskBeforeOverwriting();
    void dropsThatAreRefused();
    void newFoldersAreNamedAndRenamedInPlace();
    void removingFolders();
    void readOnlyModeHoldsEveryChangingCommand();
    void defragRenameShowsAPreviewAndReplacesNothing();
};

namespace {

// Renames the row named `from` through F2, the in-place editor and the key that ends editing.
void RenameInPlace(gui::MainWindow& window, const QString& from, const QString& typed, Qt::Key key = Qt::Key_Return)
{
    gui::DemoListPane& demos = window.DemoList();
    const int row = RowNamed(demos, from);
    QVERIFY2(row >= 0, qPrintable(from));
    demos.SelectRows({row}, false);
    QVERIFY(demos.RenameAction()->isEnabled());
    // F2 opens the editor over the name and takes Del from "Delete.." while it is open.
    demos.RenameAction()->trigger();
    gui::InPlaceEditor* editor = Ops(window).Editor();
    QVERIFY(editor);
    QCOMPARE(editor->text(), from);
    QVERIFY(demos.DeleteAction()->shortcut().isEmpty());
    editor->setText(typed);
    QTest::keyClick(editor, key);
    QCOMPARE(demos.DeleteAction()->shortcut(), QKeySequence(Qt::Key_Delete));
}

} // namespace

// Every name the typed text and the protocol give is core's table (core/FileOpsTest); here the
// protocol comes from the row: the old ones, a modern one, a demo too damaged to tell ("N/A").
void FileOpsTest::renamesFitTheProtocol()
{
    Sandbox sandbox;
    const fs::path folder = sandbox.Game() / "baseoa" / "demos";
    sandbox.AddDemo(folder / "a45.dm3", 45);
    sandbox.AddDemo(folder / "b46.dm3", 46);
    sandbox.AddDemo(folder / "c48.dm_48", 48);
    std::ofstream(folder / "e.dm_48", std::ios::binary) << "no demo at all";
    sandbox.AddModernDemo(folder / "m.dm_70", 70);
    std::ofstream(folder / "broken.dm_68", std::ios::binary) << "no demo at all";
    auto window = sandbox.Start();
    QVERIFY(window);
    WriteOff(*window);
    List(*window, folder);
    gui::DemoListPane& demos = window->DemoList();
    QCOMPARE(demos.Model().rowCount(), 6);

    struct Case {
        const char* from;
        const char* typed;
        const char* expected;
    };
    const Case cases[] = {
        // Without a demo extension: the one that keeps the demo readable.
        {"a45.dm3", "duel", "duel.dm3"},
        {"b46.dm3", "kept", "kept"},
        {"e.dm_48", "broken", "broken.dm_48"}, // protocol "N/A"
        {"m.dm_70", "m70", "m70.dm_70"},
        {"broken.dm_68", "cut", "cut.dm_68"},      // protocol "N/A", read as modern
        {"c48.dm_48", "x.dm_69", "x.dm_69.dm_48"}, // no extension the reader knows
        // Any demo extension the reader knows stays as typed, in any case.
        {"m70.dm_70", "y70.DM_70", "y70.DM_70"},
        {"x.dm_69.dm_48", "z.Dm3", "z.Dm3"},
    };
    for (const Case& c : cases) {
        RenameInPlace(*window, QString::fromLatin1(c.from), QString::fromLatin1(c.typed));
        QVERIFY2(fs::exists(folder / c.expected), c.expected);
        QVERIFY(!fs::exists(folder / c.from));
        QVERIFY(RowNamed(demos, QString::fromLatin1(c.expected)) >= 0);
    }

    // Escape cancels: nothing changes.
    demos.SelectRows({RowNamed(demos, QStringLiteral("kept"))}, false);
    demos.RenameAction()->trigger();
    QVERIFY(Ops(*window).Editor());
    Ops(*window).Editor()->setText(QStringLiteral("other"));
    QTest::keyClick(Ops(*window).Editor(), Qt::Key_Escape);
    QVERIFY(fs::exists(folder / "kept"));
    QVERIFY(!fs::exists(folder / "other"));

    // Listed again, the renamed modern demo is still read.
    demos.RefreshAction()->trigger();
    const int row = RowNamed(demos, QStringLiteral("y70.DM_70"));
    QVERIFY(row >= 0);
    QCOMPARE(demos.Model().Row(row).info[core::FieldMap], std::string("q3dm17"));
}

void FileOpsTest::returnEndsTheRenameOnly()
{
    Sandbox sandbox;
    const fs::path folder = sandbox.Game() / "baseoa" / "demos";
    sandbox.AddDemo(folder / "a.dm_48");
    sandbox.AddDemo(folder / "b.dm_48", 48, 200, 2);
    auto window = sandbox.Start();
    QVERIFY(window);
    WriteOff(*window);
    List(*window, folder);
    gui::DemoDetails& details = *window->findChild<gui::DemoDetails*>();
    // Return and the keypad's Enter both end the editing; neither opens the properties window.
    for (const auto& [from, typed, key] :
         {std::tuple{"a.dm_48", "c.dm_48", Qt::Key_Return}, std::tuple{"b.dm_48", "d.dm_48", Qt::Key_Enter}}) {
        RenameInPlace(*window, QString::fromLatin1(from), QString::fromLatin1(typed), key);
        QVERIFY(fs::exists(folder / typed));
        QVERIFY(!Ops(*window).Editor());
        QVERIFY2(!details.Properties(), typed);
    }
    // Enter on the list itself still opens them.
    window->DemoList().SelectRows({0}, false);
    QTest::keyClick(&window->DemoList().CurrentView(), Qt::Key_Return);
    QVERIFY(details.Properties());
}

void FileOpsTest::refusedRenamesChangeNothing()
{
    Sandbox sandbox;
    const fs::path folder = sandbox.Game() / "baseoa" / "demos";
    sandbox.AddDemo(folder / "one.dm_48", 48, 200, 1);
    sandbox.AddDemo(folder / "two.dm_48", 48, 200, 2);
    auto window = sandbox.Start();
    QVERIFY(window);
    WriteOff(*window);
    List(*window, folder);
    testsupport::RecordingSink sink;
    gui::DemoListPane& demos = window->DemoList();
    const auto sizeOfTwo = fs::file_size(folder / "two.dm_48");
    for (const char* typed : {"two.dm_48", "../up.dm_48", "sub/x"}) {
        Ops(*window).RenameDemoRow(RowNamed(demos, QStringLiteral("one.dm_48")), QString::fromLatin1(typed));
        QCOMPARE(sink.shown.back().text, std::string("Your OS has denied the renaming"));
        QCOMPARE(sink.shown.back().title, std::string("Rename error"));
    }
    QCOMPARE(sink.shown.size(), size_t(3));
    QStringList names = Names(demos);
    names.sort();
    QCOMPARE(names, QStringList({QStringLiteral("one.dm_48"), QStringLiteral("two.dm_48")}));
    QCOMPARE(fs::file_size(folder / "two.dm_48"), sizeOfTwo);
    QVERIFY(!fs::exists(folder.parent_path() / "up.dm_48"));
}

void FileOpsTest::movesAskBeforeOverwriting()
{
    Sandbox sandbox;
    const fs::path from = sandbox.Game() / "from";
    const fs::path to = sandbox.Game() / "to";
    for (const char* name : {"a.dm_48", "b.dm_48", "c.dm_48"})
        sandbox.AddDemo(from / name);
    fs::create_directories(to);
    std::ofstream(to / "b.dm_48") << "old";
    auto window = sandbox.Start();
    QVERIFY(window);
    WriteOff(*window);
    List(*window, from);
    gui::DemoListPane& demos = window->DemoList();
    gui::FolderTreePane& tree = window->TreePane();
    demos.SortBy(0, true);
    const uint32_t toColour = Node(*window, to)->colour;
    const uint32_t fromColour = Node(*window, from)->colour;

    // No: "a" moved, "b" and "c" stay selected and unmoved, the colours stay.
    testsupport::RecordingSink sink;
    sink.answer = false;
    demos.SelectAllRows();
    QVERIFY(DropOnTreeNode(*window, Node(*window, to)));
    QCOMPARE(sink.shown.size(), size_t(1));
    QCOMPARE(sink.shown[0].text, "Overwrite file ?\r\n" + (to / "b.dm_48").string());
    QCOMPARE(Names(demos), QStringList({QStringLiteral("b.dm_48"), QStringLiteral("c.dm_48")}));
    QCOMPARE(demos.SelectedRows(), (std::vector<int>{0, 1}));
    QVERIFY(fs::exists(to / "a.dm_48") && !fs::exists(from / "a.dm_48"));
    QCOMPARE(ReadFile(to / "b.dm_48"), std::string("old"));
    QCOMPARE(Node(*window, to)->colour, toColour);
    QCOMPARE(Node(*window, from)->colour, fromColour);
    // The listing's summary counts what is left in the folder.
    const auto summaryOf = [](const std::vector<fs::path>& files) {
        uint64_t bytes = 0, seconds = 0;
        for (const fs::path& file : files) {
            bytes += fs::file_size(file);
            seconds += core::EstimatedPlaySeconds(fs::file_size(file));
        }
        return QString::number(files.size()) + QStringLiteral(" item(s) loaded in ") + QStringLiteral("|") +
               QString::fromStdString(". " + core::FormatSize(bytes, 2) +
                                      ". Playtime: " + core::FormatSeconds(static_cast<uint32_t>(seconds)));
    };
    const auto matches = [](const QString& summary, const QString& expected) {
        const QStringList parts = expected.split(QLatin1Char('|'));
        return summary.startsWith(parts[0]) && summary.endsWith(parts[1]);
    };
    QVERIFY2(matches(demos.Summary(), summaryOf({from / "b.dm_48", from / "c.dm_48"})), qPrintable(demos.Summary()));

    // Yes: the old target goes, everything moves, and the colours follow.
    sink.answer = true;
    QVERIFY(DropOnTreeNode(*window, Node(*window, to)));
    QCOMPARE(demos.Model().rowCount(), 0);
    QVERIFY(ReadFile(to / "b.dm_48") != "old");
    QVERIFY(fs::exists(to / "c.dm_48"));
    QVERIFY(!fs::exists(from / "b.dm_48") && !fs::exists(from / "c.dm_48"));
    QCOMPARE(Node(*window, to)->colour, tree.Colours().demoFolder);
    QCOMPARE(Node(*window, from)->colour, tree.Colours().nonDemoFolder);
    QVERIFY2(matches(demos.Summary(), summaryOf({})), qPrintable(demos.Summary()));
    QCOMPARE(window->Status().ListText(), demos.Summary());
}

void FileOpsTest::dropsThatAreRefused()
{
    Sandbox sandbox;
    const fs::path from = sandbox.Game() / "from";
    sandbox.AddDemo(from / "a.dm_48");
    fs::create_directories(sandbox.Game() / "cd");
    fs::create_directories(sandbox.Game() / "to");
    auto window = sandbox.Start();
    QVERIFY(window);
    List(*window, from);
    gui::DemoListPane& demos = window->DemoList();
    gui::FileOperations& ops = Ops(*window);
    const std::string cd = (sandbox.Game() / "cd").string();
    ops.driveState = [cd](const std::string& folder) {
        core::DriveState state = core::DriveStateOf(folder);
        if (folder == cd)
            state.kind = platform::DriveKind::CdRom;
        return state;
    };
    demos.SelectAllRows();
    QVERIFY(!DropOnTreeNode(*window, Node(*window, sandbox.Game() / "to"))); // read-only mode
    WriteOff(*window);
    QVERIFY(!DropOnTreeNode(*window, Node(*window, from)));                  // the listed node
    QVERIFY(!DropOnTreeNode(*window, Node(*window, sandbox.Game() / "cd"))); // a CD-ROM
    QVERIFY(fs::exists(from / "a.dm_48"));
    QCOMPARE(demos.Model().rowCount(), 1);
    QVERIFY(DropOnTreeNode(*window, Node(*window, sandbox.Game() / "to")));
    QVERIFY(fs::exists(sandbox.Game() / "to" / "a.dm_48"));
}

void FileOpsTest::newFoldersAreNamedAndRenamedInPlace()
{
    Sandbox sandbox;
    const fs::path inside = sandbox.Game() / "baseoa" / "demos";
    fs::create_directories(inside / "NewDemoFolder");
    fs::create_directories(inside / "newdemofolder(2)");
    const fs::path outside = sandbox.Root() / "elsewhere";
    fs::create_directories(outside);
    sandbox.AddDemo(inside / "x.dm_48");
    auto window = sandbox.Start();
    QVERIFY(window);
    WriteOff(*window);
    gui::FolderTreePane& tree = window->TreePane();
    List(*window, inside);
    gui::FileOperations& ops = Ops(*window);

    tree.NewFolderAction()->trigger();
    QVERIFY(fs::is_directory(inside / "NewDemoFolder(3)"));
    core::FolderNode* added = Node(*window, inside / "NewDemoFolder(3)");
    QVERIFY(added);
    QCOMPARE(tree.Tree().Selected(), added);
    QCOMPARE(window->CurrentFolder(), (inside / "NewDemoFolder(3)").string());
    QCOMPARE(added->colour, tree.Colours().nonDemoFolder);
    // The name is edited at once; Del belongs to the editor meanwhile.
    QVERIFY(ops.Editor());
    QVERIFY(tree.RemoveFolderAction()->shortcut().isEmpty());
    ops.Editor()->setText(QStringLiteral("Duels/"));
    ops.Editor()->Commit();
    QVERIFY(fs::is_directory(inside / "Duels"));
    QCOMPARE(added->text, std::string("Duels"));
    QCOMPARE(tree.RemoveFolderAction()->shortcut(), QKeySequence(Qt::Key_Delete));
    // The renamed folder takes its place among its siblings and stays selected.
    const auto childTexts = [&](const fs::path& folder) {
        std::vector<std::string> texts;
        for (const auto& child : Node(*window, folder)->children)
            texts.push_back(child->text);
        return texts;
    };
    QCOMPARE(childTexts(inside), (std::vector<std::string>{"Duels", "NewDemoFolder", "newdemofolder(2)"}));
    QCOMPARE(tree.Tree().Selected(), added);
    QCOMPARE(tree.Model().IndexOf(added).row(), 0);
    ops.RenameFolderNode(*added, QStringLiteral("zz"));
    QCOMPARE(childTexts(inside), (std::vector<std::string>{"NewDemoFolder", "newdemofolder(2)", "zz"}));
    ops.RenameFolderNode(*added, QStringLiteral("Duels"));

    tree.AddRoot(QString::fromStdString(outside.string()));
    List(*window, outside);
    tree.NewFolderAction()->trigger();
    QVERIFY(ops.Editor());
    ops.Editor()->Cancel();
    List(*window, outside);
    tree.NewFolderAction()->trigger();
    ops.Editor()->Cancel();
    QVERIFY(fs::is_directory(outside / "New Demo Folder"));
    QVERIFY(fs::is_directory(outside / "New Demo Folder (2)"));

    // Renaming a folder updates the rows that lie in it; a refused name keeps the node.
    List(*window, inside);
    testsupport::RecordingSink sink;
    core::FolderNode* demosNode = Node(*window, inside);
    ops.RenameFolderNode(*demosNode, QStringLiteral("Duels/../x"));
    QCOMPARE(sink.shown.size(), size_t(1));
    QCOMPARE(sink.shown[0].text, std::string("Your OS has not allowed the new foldername!"));
    QCOMPARE(demosNode->text, std::string("demos"));
    ops.RenameFolderNode(*demosNode, QStringLiteral("recorded"));
    QCOMPARE(demosNode->text, std::string("recorded"));
    const fs::path renamed = sandbox.Game() / "baseoa" / "recorded";
    QVERIFY(fs::exists(renamed / "x.dm_48"));
    QCOMPARE(window->DemoList().Model().Row(0).info[core::FieldLocation], renamed.string());
    QVERIFY(Node(*window, renamed / "Duels"));
}

void FileOpsTest::removingFolders()
{
    Sandbox sandbox;
    const fs::path full = sandbox.Game() / "full";
    sandbox.AddDemo(full / "x.dm_48");
    fs::create_directories(sandbox.Game() / "empty");
    fs::create_directories(sandbox.Game() / "parent" / "child");
    auto window = sandbox.Start();
    QVERIFY(window);
    WriteOff(*window);
    gui::FolderTreePane& tree = window->TreePane();
    testsupport::RecordingSink sink;
    sink.answer = true;

    List(*window, full);
    QVERIFY(tree.RemoveFromDiskAction()->isEnabled());
    tree.RemoveFromDiskAction()->trigger();
    QCOMPARE(sink.shown.back().text, "Really delete " + full.string() + " ?\r\nThe folder must be empty!");
    QVERIFY(fs::exists(full / "x.dm_48"));
    QVERIFY(Node(*window, full));
    QCOMPARE(window->Status().FolderPath(),
             QStringLiteral("Error removing folder ") + QString::fromStdString(full.string()));

    // An empty folder on disk still may not go while its node has children.
    fs::remove_all(sandbox.Game() / "parent" / "child");
    List(*window, sandbox.Game() / "parent");
    QVERIFY(!tree.RemoveFromDiskAction()->isEnabled());

    List(*window, sandbox.Game() / "empty");
    tree.RemoveFromDiskAction()->trigger();
    QVERIFY(!fs::exists(sandbox.Game() / "empty"));
    QVERIFY(!Node(*window, sandbox.Game() / "empty"));
    QVERIFY(window->Status().FolderPath().endsWith(QStringLiteral(" successfull removed")));

    // "Remove Folder" only prunes the tree.
    List(*window, full);
    tree.RemoveFolderAction()->trigger();
    QVERIFY(!Node(*window, full));
    QVERIFY(fs::exists(full / "x.dm_48"));
}

void FileOpsTest::readOnlyModeHoldsEveryChangingCommand()
{
    Sandbox sandbox;
    const fs::path folder = sandbox.Game() / "baseoa" / "demos";
    sandbox.AddDemo(folder / "x.dm_48");
    fs::create_directories(folder / "leaf");
    auto window = sandbox.Start();
    QVERIFY(window);
    gui::DemoListPane& demos = window->DemoList();
    gui::FolderTreePane& tree = window->TreePane();
    QAction* readOnly = window->Cmds().readOnly;
    List(*window, folder);
    demos.SelectAllRows();

    const auto changing = [&] {
        return QList<bool>{demos.DeleteAction()->isEnabled(),
                           demos.RenameAction()->isEnabled(),
                           tree.NewFolderAction()->isEnabled(),
                           tree.RenameFolderAction()->isEnabled(),
                           Ops(*window).MayRenameFolderInPlace(tree.Tree().Selected()),
                           Ops(*window).MayMoveOnto(Node(*window, folder / "leaf"))};
    };
    QVERIFY(core::Settings.work_readonly);
    QCOMPARE(changing(), QList<bool>(6, false));
    QVERIFY(readOnly->isChecked());
    QCOMPARE(readOnly->toolTip(), QStringLiteral("Change working mode to \"write enable\""));
    QVERIFY(tree.RemoveFolderAction()->isEnabled());
    // Nothing happens on disk even when the commands are called directly.
    testsupport::RecordingSink sink;
    sink.answer = true;
    Ops(*window).DeleteSelected();
    Ops(*window).NewFolder();
    QVERIFY(fs::exists(folder / "x.dm_48"));
    QVERIFY(!fs::exists(folder / "NewDemoFolder"));
    QVERIFY(sink.shown.empty());

    readOnly->trigger();
    QVERIFY(!core::Settings.work_readonly);
    QVERIFY(!readOnly->isChecked());
    QCOMPARE(readOnly->toolTip(), QStringLiteral("Change working mode to \"readonly\""));
    QCOMPARE(changing(), QList<bool>(6, true));

    // Delete asks, and Yes removes the file and the row.
    demos.DeleteAction()->trigger();
    QCOMPARE(sink.shown.back().text, "Really delete the 1 selected file(s) from\r\n" + folder.string() + " ?");
    QVERIFY(!fs::exists(folder / "x.dm_48"));
    QCOMPARE(demos.Model().rowCount(), 0);
    QVERIFY2(demos.Summary().startsWith(QStringLiteral("0 item(s) loaded in ")), qPrintable(demos.Summary()));
    QVERIFY2(demos.Summary().endsWith(QStringLiteral(". Playtime: 00:00:00")), qPrintable(demos.Summary()));
}

void FileOpsTest::defragRenameShowsAPreviewAndReplacesNothing()
{
    Sandbox sandbox;
    const fs::path folder = sandbox.Game() / "defrag" / "demos";
    const std::vector<std::string> run{"Time performed by ^1B/ob^7 : ^325:488^7"};
    testsupport::WriteFile(folder / "a.dm_68", testsupport::DefragDemo("defrag", "0", run));
    testsupport::WriteFile(folder / "b.dm_68", testsupport::DefragDemo("defrag", "0", run)); // the same name
    testsupport::WriteFile(folder / "c.dm_68", testsupport::DefragDemo("baseq3", "", run));
    auto window = sandbox.Start();
    QVERIFY(window);
    WriteOff(*window);
    List(*window, folder);
    gui::DemoListPane& demos = window->DemoList();
    demos.SortBy(0, true);
    const int a = RowNamed(demos, QStringLiteral("a.dm_68"));
    QCOMPARE(demos.Model().Row(a).info[core::FieldRunTime], std::string("0:25.488"));
    QCOMPARE(demos.Model().Row(RowNamed(demos, QStringLiteral("c.dm_68"))).info[core::FieldRunTime], std::string());
    // Offered for DeFRaG demos only.
    for (const auto& [name, offered] : {std::pair{"c.dm_68", false}, {"a.dm_68", true}}) {
        QTest::mouseClick(demos.CurrentView().viewport(), Qt::LeftButton, {},
                          RowCentre(demos, RowNamed(demos, QString::fromLatin1(name))));
        QCOMPARE(demos.DefragRenameAction()->isEnabled(), offered);
    }
    demos.SelectRows({0, 1, 2}, false);

    const QString renamed = QStringLiteral("st1[df.vq3]00.25.488(B_ob).dm_68");
    QStringList shown;
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<gui::DefragRenameDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        seen = true;
        for (int i = 0; i < dialog->Preview().topLevelItemCount(); ++i)
            shown << dialog->Preview().topLevelItem(i)->text(0) + QStringLiteral(" -> ") +
                         dialog->Preview().topLevelItem(i)->text(1);
        QVERIFY(dialog->RenameButton().isEnabled());
        dialog->RenameButton().click();
    });
    QTimer::singleShot(3000, [] {
        while (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    Ops(*window).RenameSelectedToDefragConvention();
    QVERIFY(seen);
    QCOMPARE(shown,
             (QStringList{QStringLiteral("a.dm_68 -> ") + renamed,
                          QStringLiteral("b.dm_68 -> A file named ") + renamed + QStringLiteral(" exists already."),
                          QStringLiteral("c.dm_68 -> It is no DeFRaG demo.")}));
    QVERIFY(fs::exists(folder / renamed.toStdString()));
    QVERIFY(fs::exists(folder / "b.dm_68"));
    QVERIFY(!fs::exists(folder / "a.dm_68"));
    QVERIFY(Names(demos).contains(renamed));

    // Once more: b's new name is a's now, and b keeps its name; nothing is replaced.
    const auto size = fs::file_size(folder / renamed.toStdString());
    demos.SelectRows({RowNamed(demos, QStringLiteral("b.dm_68"))}, false);
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<gui::DefragRenameDialog*>(QApplication::activeModalWidget())) {
            QVERIFY(!dialog->RenameButton().isEnabled());
            dialog->reject();
        }
    });
    Ops(*window).RenameSelectedToDefragConvention();
    QCOMPARE(fs::file_size(folder / renamed.toStdString()), size);
    QVERIFY(fs::exists(folder / "b.dm_68"));
}

VELMORA_GUI_TEST(FileOpsTest)
#include "FileOpsTest.moc"
