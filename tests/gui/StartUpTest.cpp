// Start-up and shut-down of the real main window: defaults, the configuration file, the game
// directory check and the refused close.
#include <QHeaderView>
#include <QTest>
#include <QToolBar>

#include "core/library/FolderTreeOps.h"
#include "gui/app/CommandBar.h"
#include "gui/app/MainWindow.h"
#include "gui/common/BusyScope.h"
#include "gui/common/StatusPanels.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/PlayListPane.h"
#include "gui/tree/FolderTreePane.h"
#include "support/Recorder.h"
#include "support/gui/GuiTestSupport.h"

using namespace guitest;

class StartUpTest : public QObject {
    Q_OBJECT
private slots:
    void firstStartUsesDefaultsAndListsTheGameDirectory();
    void configurationIsWrittenAndReadBack();
    void missingGameAsksForItAndEndsWithoutTouchingTheFile();
    void chosenGameDirectoryIsKept();
    void closeIsRefusedWhileBusy();
};

void StartUpTest::firstStartUsesDefaultsAndListsTheGameDirectory()
{
    Sandbox sandbox;
    for (const char* name : {"b.dm_48", "c.dm_48", "a.dm_48"})
        sandbox.AddDemo(sandbox.Game() / name);
    sandbox.AddDemo(sandbox.Game() / "baseoa" / "demos" / "inner.dm_48");
    std::filesystem::create_directories(sandbox.Game() / "empty");

    auto window = sandbox.Start();
    QVERIFY(window);
    gui::FolderTreePane& tree = window->TreePane();
    QCOMPARE(tree.Tree().Roots().size(), size_t(1));
    QCOMPARE(tree.Tree().Roots().front()->text, sandbox.Game().string());
    QCOMPARE(window->CurrentFolder(), sandbox.Game().string());
    // Sorted by name, descending.
    QCOMPARE(Names(window->DemoList()),
             (QStringList{QStringLiteral("c.dm_48"), QStringLiteral("b.dm_48"), QStringLiteral("a.dm_48")}));
    QVERIFY(window->Status().ListText().startsWith(QStringLiteral("3 item(s) loaded in ")));
    QCOMPARE(window->Status().FolderPath(), QString::fromStdString(sandbox.Game().string()));
    // Demo folders and the folder without demos are told apart by colour.
    const core::FolderNode* empty = core::FindNodeByPath(tree.Tree(), (sandbox.Game() / "empty").string());
    const core::FolderNode* demos = core::FindNodeByPath(tree.Tree(), (sandbox.Game() / "baseoa" / "demos").string());
    QVERIFY(empty && demos);
    QCOMPARE(empty->colour, uint32_t(8421504));
    QCOMPARE(demos->colour, uint32_t(0));
    // The demo list shows the README's columns first (ListTest has them all); the play list
    // the three of its default layout, at the end of the display order.
    QHeaderView* header = window->DemoList().DetailsPart().header();
    QCOMPARE(header->logicalIndex(0), int(core::FieldDemoname));
    QVERIFY(!header->isSectionHidden(core::FieldMap));
    QVERIFY(header->isSectionHidden(core::FieldArchiveLocation));
    QHeaderView* playHeader = window->PlayList().DetailsPart().header();
    QVERIFY(playHeader->isSectionHidden(core::FieldMap));
    QCOMPARE(playHeader->logicalIndex(0), int(core::FieldArchiveLocation));
    QCOMPARE(playHeader->logicalIndex(23), int(core::FieldDemoname));
    QVERIFY(window->Cmds().readOnly->isChecked());
    QVERIFY(!window->Cmds().savePlayList->isEnabled());
    QCOMPARE(window->toolBarArea(&window->Bar()), Qt::TopToolBarArea);

    // One click on the "Demoname" header sorts ascending.
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(core::FieldDemoname) + 5, header->height() / 2));
    QCOMPARE(Names(window->DemoList()),
             (QStringList{QStringLiteral("a.dm_48"), QStringLiteral("b.dm_48"), QStringLiteral("c.dm_48")}));

    QVERIFY(window->close());
    const std::string config = sandbox.ReadConfig();
    // The main window's default for the splash, so that later starts show none.
    QVERIFY(config.find("no_splash=1\r\n") != std::string::npos);
    QVERIFY(config.find("SortAscending=1\r\n") != std::string::npos);
    QVERIFY(config.find("Column25_Width=") != std::string::npos);
    QVERIFY(config.find("Column25_Order=2\r\n") != std::string::npos);
    QVERIFY(config.find("Column26_") == std::string::npos);
    QVERIFY(config.find("Selected_Folder=" + sandbox.Game().string() + "\r\n") != std::string::npos);
    // The folder tree is kept in its file.
    QVERIFY(ReadFile(sandbox.Program() / "VMR Data" / "Folders").find("empty") != std::string::npos);
}

void StartUpTest::configurationIsWrittenAndReadBack()
{
    Sandbox sandbox;
    sandbox.AddDemo(sandbox.Game() / "one.dm_48");
    sandbox.AddDemo(sandbox.Game() / "sub" / "two.dm_48");
    const std::string sub = (sandbox.Game() / "sub").string();
    sandbox.WriteConfig("; my own notes\r\n[global]\r\nQ3A_DIR=" + sandbox.Game().string() +
                        "\r\nbase_folder=baseoa\r\ntoolbar_dockpos=2\r\nwork_readonly=0\r\nno_hints=1\r\n"
                        "Selected_Folder=" +
                        sub +
                        "\r\nunknown_key=kept as it is\r\n"
                        "[Demo List]\r\nViewStyle=1\r\nGridStyle=1\r\nSortColumn=1\r\nSortAscending=1\r\n"
                        "Column4_Width=77\r\nColor=255\r\n"
                        "[Play List]\r\nvisible=0\r\nFullRowSelect=1\r\n"
                        "[Virtual Folders]\r\nDemoFolderFontColor=16711680\r\nViewStyle=1\r\n"
                        "[Someone Else]\r\nfoo=bar\r\n");
    auto window = sandbox.Start();
    QVERIFY(window);
    // Without a folder tree file the tree holds the game directory alone, which is listed.
    QCOMPARE(window->CurrentFolder(), sandbox.Game().string());
    window->TreePane().SelectNode(core::FindNodeByPath(window->TreePane().Tree(), sub));
    QCOMPARE(window->CurrentFolder(), sub);
    QCOMPARE(Names(window->DemoList()), QStringList{QStringLiteral("two.dm_48")});
    QCOMPARE(window->toolBarArea(&window->Bar()), Qt::BottomToolBarArea);
    QVERIFY(!window->Cmds().readOnly->isChecked());
    QVERIFY(window->Cmds().noHints->isChecked());
    QVERIFY(!window->PlayListShown());
    QVERIFY(!window->Cmds().showPlayList->isChecked());
    QCOMPARE(window->Cmds().showPlayList->toolTip(), QStringLiteral("Show Play List"));
    // Dropping folders works from a Linux file manager; the hint says so.
    QCOMPARE(window->TreePane().View().toolTip(),
             QStringLiteral("* Tree View *\n\rDrop Folders from the file manager to scan for demos "));
    const gui::ListOptions demo = window->DemoList().Options();
    QCOMPARE(demo.viewStyle, int(gui::SmallIcons));
    QVERIFY(demo.gridLines);
    QCOMPARE(demo.sortColumn, 1);
    QVERIFY(demo.sortAscending);
    QCOMPARE(demo.colour, QColor(255, 0, 0));
    QVERIFY(window->DemoList().StyleAction(gui::SmallIcons)->isChecked());
    QVERIFY(window->PlayList().Options().fullRowSelect);
    QCOMPARE(window->DemoList().Columns().widths[4], 77);
    QVERIFY(window->TreePane().Options().bigIcons);
    // The sub-folder holds demos: it has the stored demo folder colour.
    QCOMPARE(core::FindNodeByPath(window->TreePane().Tree(), sub)->colour, uint32_t(16711680));

    QVERIFY(window->close());
    const std::string config = sandbox.ReadConfig();
    for (const char* kept :
         {"; my own notes\r\n", "[global]\r\n", "unknown_key=kept as it is\r\n", "[Someone Else]\r\nfoo=bar\r\n",
          "toolbar_dockpos=2\r\n", "work_readonly=0\r\n", "ViewStyle=1\r\n", "GridStyle=1\r\n", "Column4_Width=77\r\n",
          "Color=255\r\n", "DemoFolderFontColor=16711680\r\n", "FullRowSelect=1\r\n", "visible=0\r\n"})
        QVERIFY2(config.find(kept) != std::string::npos, kept);
    QVERIFY(config.find("Q3A_DIR=" + sandbox.Game().string() + "\r\n") != std::string::npos);
    QVERIFY(config.find("Selected_Folder=" + sub + "\r\n") != std::string::npos);

    // A second start with the written files comes up the same way, at the folder left last.
    auto again = sandbox.Start();
    QVERIFY(again);
    QCOMPARE(again->toolBarArea(&again->Bar()), Qt::BottomToolBarArea);
    QCOMPARE(again->DemoList().Options().viewStyle, int(gui::SmallIcons));
    QCOMPARE(again->DemoList().Columns().order, window->DemoList().Columns().order);
    QCOMPARE(again->CurrentFolder(), sub);
    again->close();
}

void StartUpTest::missingGameAsksForItAndEndsWithoutTouchingTheFile()
{
    Sandbox sandbox;
    const std::string text = "[Global]\r\nq3a_dir=" + (sandbox.Root() / "gone").string() + "\r\nno_hints=1\r\n";
    sandbox.WriteConfig(text);
    testsupport::RecordingSink messages;
    QString askedTitle, askedStart;
    auto window = sandbox.Start(true, [&](const QString& title, const QString& start) {
        askedTitle = title;
        askedStart = start;
        return QString(); // cancelled
    });
    QVERIFY(!window);
    QCOMPARE(askedTitle, QStringLiteral("Please search your Quake III Arena program path"));
    QCOMPARE(askedStart, QString::fromStdString((sandbox.Root() / "gone").string()));
    QCOMPARE(messages.shown.size(), size_t(1));
    QCOMPARE(messages.shown[0].title, std::string("Fatal Error"));
    QVERIFY(messages.shown[0].text.starts_with("'Quake III Arena (c) 1999-2000 ID Software Inc.' not found!\r\n"));
    QCOMPARE(sandbox.ReadConfig(), text);

    // A folder without the game is no better than cancelling.
    messages.shown.clear();
    auto again = sandbox.Start(
        true, [&](const QString&, const QString&) { return QString::fromStdString(sandbox.Root().string()); });
    QVERIFY(!again);
    QCOMPARE(messages.shown.size(), size_t(1));
    QCOMPARE(sandbox.ReadConfig(), text);
}

void StartUpTest::chosenGameDirectoryIsKept()
{
    Sandbox sandbox;
    sandbox.WriteConfig("[Global]\r\nq3a_dir=" + (sandbox.Root() / "gone").string() + "\r\n");
    auto window = sandbox.Start(true, [&](const QString&, const QString&) {
        return QString::fromStdString(sandbox.Game().string()) + QLatin1Char('/');
    });
    QVERIFY(window);
    QCOMPARE(window->TreePane().Tree().Roots().front()->text, sandbox.Game().string());
    QVERIFY(window->close());
    QVERIFY(sandbox.ReadConfig().find("q3a_dir=" + sandbox.Game().string() + "\r\n") != std::string::npos);
}

void StartUpTest::closeIsRefusedWhileBusy()
{
    Sandbox sandbox;
    auto window = sandbox.Start();
    QVERIFY(window);
    {
        const gui::BusyScope busy;
        QVERIFY(!window->close());
        QVERIFY(window->isVisible());
        QCOMPARE(gui::BusyCount.load(), 1);
        QVERIFY(!std::filesystem::exists(sandbox.Config()));
    }
    QVERIFY(window->close());
    QVERIFY(std::filesystem::exists(sandbox.Config()));
}

VELMORA_GUI_TEST(StartUpTest)
#include "StartUpTest.moc"
