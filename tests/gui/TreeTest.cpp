// The folder tree pane in the real window: the selection and listing rules, Escape, the colour
// commands with their immediate writes, folders dropped from the file manager, and the model.
#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QTest>
#include <QUrl>

#include "core/library/FolderTreeOps.h"
#include "gui/app/MainWindow.h"
#include "gui/common/BusyScope.h"
#include "gui/common/StatusPanels.h"
#include "gui/lists/DemoListPane.h"
#include "gui/tree/FolderTreePane.h"
#include "support/gui/GuiTestSupport.h"

#include <fstream>

using namespace guitest;

namespace {

void ClickNode(gui::MainWindow& window, const std::filesystem::path& folder, Qt::MouseButton button = Qt::LeftButton)
{
    gui::FolderTreePane& tree = window.TreePane();
    core::FolderNode* node = core::FindNodeByPath(tree.Tree(), folder.string());
    QVERIFY(node);
    const QModelIndex index = tree.Model().IndexOf(node);
    tree.View().scrollTo(index);
    QTest::mouseClick(tree.View().viewport(), button, {}, tree.View().visualRect(index).center());
}

} // namespace

class TreeTest : public QObject {
    Q_OBJECT
private slots:
    void selectionListsOnlyWhatIsNotListed();
    void folderColoursAreStoredAtOnce();
    void foldersDroppedFromTheFileManager();
    void treeModelStaysConsistent();
};

void TreeTest::selectionListsOnlyWhatIsNotListed()
{
    Sandbox sandbox;
    sandbox.AddDemo(sandbox.Game() / "a" / "one.dm_48");
    sandbox.AddDemo(sandbox.Game() / "b" / "two.dm_48");
    auto window = sandbox.Start();
    QVERIFY(window);
    window->resize(900, 500);

    ClickNode(*window, sandbox.Game() / "a");
    QCOMPARE(window->CurrentFolder(), (sandbox.Game() / "a").string());
    QCOMPARE(window->DemoList().Model().rowCount(), 1);

    // The node already listed is not listed again by a click ...
    sandbox.AddDemo(sandbox.Game() / "a" / "three.dm_48");
    ClickNode(*window, sandbox.Game() / "a");
    QCOMPARE(window->DemoList().Model().rowCount(), 1);
    // ... unless a listing was stopped with Escape, which the window swallows.
    QTest::keyClick(&window->DemoList().CurrentView(), Qt::Key_Escape);
    ClickNode(*window, sandbox.Game() / "a");
    QCOMPARE(window->DemoList().Model().rowCount(), 2);
    // That Escape belonged to the listing before; the new one is not listed again.
    sandbox.AddDemo(sandbox.Game() / "a" / "four.dm_48");
    ClickNode(*window, sandbox.Game() / "a");
    QCOMPARE(window->DemoList().Model().rowCount(), 2);

    // A right click selects and lists too.
    ClickNode(*window, sandbox.Game() / "b", Qt::RightButton);
    QCOMPARE(window->CurrentFolder(), (sandbox.Game() / "b").string());
    QCOMPARE(Names(window->DemoList()), QStringList{QStringLiteral("two.dm_48")});

    // While a long operation runs the selection does not move and nothing is listed.
    {
        const gui::BusyScope busy;
        ClickNode(*window, sandbox.Game() / "a");
        QCOMPARE(core::NodePath(*window->TreePane().Tree().Selected()), (sandbox.Game() / "b").string());
        QCOMPARE(window->CurrentFolder(), (sandbox.Game() / "b").string());
        window->RefreshList();
        QCOMPARE(window->CurrentFolder(), (sandbox.Game() / "b").string());
    }

    // "Refresh List" lists the selected folder again; "Reparse List" drops its cache first.
    sandbox.AddDemo(sandbox.Game() / "b" / "four.dm_48");
    window->DemoList().RefreshAction()->trigger();
    QCOMPARE(window->DemoList().Model().rowCount(), 2);
    QVERIFY(std::filesystem::exists(sandbox.Game() / "b" / "vmr_scan"));
    window->DemoList().ReparseAction()->trigger();
    QVERIFY(window->Status().ListText().contains(QStringLiteral(" 0.00% read from cache")));
    window->close();
}

void TreeTest::folderColoursAreStoredAtOnce()
{
    Sandbox sandbox;
    sandbox.AddDemo(sandbox.Game() / "demos" / "one.dm_48");
    std::filesystem::create_directories(sandbox.Game() / "empty");
    auto window = sandbox.Start();
    QVERIFY(window);
    gui::FolderTreePane& tree = window->TreePane();
    const core::FolderNode* demos = core::FindNodeByPath(tree.Tree(), (sandbox.Game() / "demos").string());
    const core::FolderNode* empty = core::FindNodeByPath(tree.Tree(), (sandbox.Game() / "empty").string());
    QColor answer;
    tree.chooseColour = [&](const QColor&, const QString&) { return answer; };
    const auto stored = [&](const char* key) {
        const std::string config = sandbox.ReadConfig();
        const size_t at = config.find(std::string(key) + "=");
        return at == std::string::npos ? std::string() : config.substr(at, config.find('\r', at) - at);
    };

    answer = QColor(128, 128, 128); // the non-demo colour: nothing changes
    tree.ChooseDemoFolderColour();
    QCOMPARE(demos->colour, uint32_t(0));
    QCOMPARE(stored("DemoFolderFontColor"), std::string());
    answer = QColor(255, 0, 0);
    tree.ChooseDemoFolderColour();
    QCOMPARE(demos->colour, uint32_t(255));
    QCOMPARE(empty->colour, uint32_t(8421504));
    QCOMPARE(stored("DemoFolderFontColor"), std::string("DemoFolderFontColor=255"));

    // Taking the demo folders' colour for the others would lose which folders hold demos.
    tree.ChooseNonDemoFolderColour();
    QCOMPARE(empty->colour, uint32_t(8421504));
    QCOMPARE(tree.Colours().nonDemoFolder, uint32_t(8421504));
    answer = QColor(0, 0, 255);
    tree.ChooseNonDemoFolderColour();
    QCOMPARE(empty->colour, uint32_t(16711680));
    QCOMPARE(demos->colour, uint32_t(255));
    QCOMPARE(stored("NonDemoFolderFontColor"), std::string("NonDemoFolderFontColor=16711680"));
    answer = QColor(); // cancelled
    tree.ChooseNonDemoFolderColour();
    QCOMPARE(tree.Colours().nonDemoFolder, uint32_t(16711680));
    // "Cut non-demo Folders" now knows the empty folder by its new colour.
    tree.CutNonDemoFolders();
    QVERIFY(!core::FindNodeByPath(tree.Tree(), (sandbox.Game() / "empty").string()));
    QVERIFY(core::FindNodeByPath(tree.Tree(), (sandbox.Game() / "demos").string()));
    window->close();
}

void TreeTest::foldersDroppedFromTheFileManager()
{
    Sandbox sandbox;
    const std::filesystem::path other = sandbox.Root() / "other";
    sandbox.AddDemo(other / "x" / "a.dm_48");
    std::filesystem::create_directory_symlink(other, sandbox.Root() / "link");
    std::ofstream(sandbox.Root() / "file.txt") << "x";
    const auto urls = [](std::initializer_list<std::filesystem::path> paths) {
        auto* data = new QMimeData;
        QList<QUrl> list;
        for (const auto& path : paths)
            list.append(QUrl::fromLocalFile(QString::fromStdString(path.string())));
        data->setUrls(list);
        return std::unique_ptr<QMimeData>(data);
    };
    const QString target = QString::fromStdString(other.string());
    QCOMPARE(gui::FolderTreePane::DroppedFolder(urls({other}).get()), target);
    QCOMPARE(gui::FolderTreePane::DroppedFolder(urls({other, sandbox.Game()}).get()), QString());
    QCOMPARE(gui::FolderTreePane::DroppedFolder(urls({sandbox.Root() / "file.txt"}).get()), QString());
    // A link stands for its folder, also as the first of several items.
    QCOMPARE(gui::FolderTreePane::DroppedFolder(urls({sandbox.Root() / "link", sandbox.Game()}).get()), target);

    auto window = sandbox.Start();
    QVERIFY(window);
    gui::FolderTreePane& tree = window->TreePane();
    std::unique_ptr<QMimeData> data = urls({sandbox.Root() / "link"});
    QWidget* viewport = tree.View().viewport();
    const QPoint at(5, 5);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::LinkAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::LinkAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &drop);
    QCOMPARE(tree.Tree().Roots().size(), size_t(2));
    QCOMPARE(tree.Tree().Roots().back()->text, other.string());
    // The new root is selected and listed; its demo folder shows its colour.
    QCOMPARE(window->CurrentFolder(), other.string());
    QCOMPARE(core::FindNodeByPath(tree.Tree(), (other / "x").string())->colour, uint32_t(0));

    std::unique_ptr<QMimeData> two = urls({other, sandbox.Game()});
    QDragEnterEvent refused(at, Qt::CopyAction | Qt::LinkAction, two.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &refused);
    QVERIFY(!refused.isAccepted());
    window->close();
}

void TreeTest::treeModelStaysConsistent()
{
    Sandbox sandbox;
    sandbox.AddDemo(sandbox.Game() / "a" / "b" / "one.dm_48");
    std::filesystem::create_directories(sandbox.Game() / "c" / "d");
    gui::FolderTreePane pane;
    QAbstractItemModelTester tester(&pane.Model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    pane.AddRoot(QString::fromStdString(sandbox.Game().string()) + QLatin1Char('/'));
    QCOMPARE(pane.Tree().Roots().front()->text, sandbox.Game().string());
    QCOMPARE(pane.Model().rowCount(pane.Model().IndexOf(pane.Tree().Roots().front().get())), 3); // a, baseoa, c
    // Demo folders' parents are expanded, in the view as in the tree.
    const core::FolderNode* a = core::FindNodeByPath(pane.Tree(), (sandbox.Game() / "a").string());
    QVERIFY(a->expanded);
    QVERIFY(pane.View().isExpanded(pane.Model().IndexOf(a)));
    pane.SetAllExpanded(true);
    QVERIFY(pane.View().isExpanded(
        pane.Model().IndexOf(core::FindNodeByPath(pane.Tree(), (sandbox.Game() / "c").string()))));
    pane.SelectNode(core::FindNodeByPath(pane.Tree(), (sandbox.Game() / "c" / "d").string()));
    std::filesystem::remove_all(sandbox.Game() / "c");
    pane.RescanBranch();
    // The selected folder is gone: the new root is selected.
    QCOMPARE(pane.Tree().Selected(), pane.Tree().Roots().front().get());
    pane.CutNonDemoFolders();
    QVERIFY(!core::FindNodeByPath(pane.Tree(), (sandbox.Game() / "baseoa").string()));
    QVERIFY(core::FindNodeByPath(pane.Tree(), (sandbox.Game() / "a" / "b").string()));
    pane.SetAllExpanded(false);
    // The branch was built again: its nodes are new.
    a = core::FindNodeByPath(pane.Tree(), (sandbox.Game() / "a").string());
    QVERIFY(!a->expanded);
    QVERIFY(!pane.View().isExpanded(pane.Model().IndexOf(a)));
}

VELMORA_GUI_TEST(TreeTest)
#include "TreeTest.moc"
