// Saving and loading play list files through the main window: the bytes written, the rows that
// come back (archive members included), the refused header, the label and the status texts.
#include <QTest>

#include "core/library/FolderTreeOps.h"
#include "gui/app/MainWindow.h"
#include "gui/common/StatusPanels.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/PlayListPane.h"
#include "gui/tree/FolderTreePane.h"
#include "support/DemoBuilder.h"
#include "support/Recorder.h"
#include "support/ZipBuilder.h"
#include "support/gui/GuiTestSupport.h"

#include <fstream>

using namespace guitest;

class PlayListFileTest : public QObject {
    Q_OBJECT
private slots:
    void savedListLoadsBackInOrder();
    void filesThatAreNoPlayListsAreRefused();
};

void PlayListFileTest::savedListLoadsBackInOrder()
{
    Sandbox sandbox;
    const std::filesystem::path folder = sandbox.Game() / "mine";
    sandbox.AddDemo(folder / "a.dm_48", 48, 300, 1);
    sandbox.AddDemo(folder / "b.dm_48", 48, 200, 2);
    const std::vector<uint8_t> member = testsupport::RealisticDemo(48, 100, 40, 3);
    // The same member name in two folders of the pack: one line of the file, two rows on loading.
    testsupport::WriteFile(folder / "pak9.pk3",
                           testsupport::BuildZip({{.name = "demos/x.dm_48", .data = member},
                                                  {.name = "old/x.dm_48", .data = member, .deflate = true}}));
    auto window = sandbox.Start();
    QVERIFY(window);
    window->TreePane().SelectNode(core::FindNodeByPath(window->TreePane().Tree(), folder.string()));
    QCOMPARE(window->DemoList().Model().rowCount(), 4);
    window->DemoList().SortBy(core::FieldDemoname, true);
    // Play list: b, x (demos/), a, b again.
    gui::DemoListPane& demo = window->DemoList();
    const QStringList names = Names(demo);
    QCOMPARE(names, (QStringList{QStringLiteral("a.dm_48"), QStringLiteral("b.dm_48"), QStringLiteral("x.dm_48"),
                                 QStringLiteral("x.dm_48")}));
    const int packed = demo.Model().Row(2).info[core::FieldArchiveLocation] == "demos" ? 2 : 3;
    for (const int row : {1, packed, 0, 1}) {
        demo.SelectRows({row}, false);
        window->MoveToPlayList();
    }
    QVERIFY(window->Cmds().savePlayList->isEnabled());
    QVERIFY(window->Cmds().playList->isEnabled());

    const QString file = QString::fromStdString((sandbox.Root() / "list.vmr").string());
    window->SavePlayList(file);
    const std::string pack = (folder / "pak9.pk3").string();
    const std::string expected = "VMR Play List, ver 1.32\r\n" + (folder / "b.dm_48").string() + "\r\n\x01" + pack +
                                 "\\x.dm_48\r\n" + (folder / "a.dm_48").string() + "\r\n" +
                                 (folder / "b.dm_48").string() + "\r\n";
    QCOMPARE(ReadFile(file.toStdString()), expected);

    window->PlayList().Model().Clear();
    window->SetPlayListShown(false);
    window->LoadPlayList(file);
    QVERIFY(window->PlayListShown());
    QCOMPARE(Names(window->PlayList()),
             (QStringList{QStringLiteral("b.dm_48"), QStringLiteral("x.dm_48"), QStringLiteral("x.dm_48"),
                          QStringLiteral("a.dm_48"), QStringLiteral("b.dm_48")}));
    QCOMPARE(window->PlayList().Model().Row(1).sourceKind, 1);
    QCOMPARE(window->PlayList().Model().Row(1).info[core::FieldLocation], pack);
    QCOMPARE(window->PlayList().NameLabelText(), file);
    QVERIFY(window->Status().PlayListText().startsWith(QStringLiteral("5 Items. Total length: ")));

    // A save that cannot reach the disk is reported.
    testsupport::RecordingSink messages;
    window->SavePlayList(QString::fromStdString((sandbox.Root() / "no" / "such" / "folder.vmr").string()));
    QCOMPARE(messages.shown.size(), size_t(1));
    QCOMPARE(messages.shown[0].title, std::string("VMR: File Save Error"));
    window->close();
}

void PlayListFileTest::filesThatAreNoPlayListsAreRefused()
{
    Sandbox sandbox;
    sandbox.AddDemo(sandbox.Game() / "a.dm_48");
    auto window = sandbox.Start();
    QVERIFY(window);
    window->DemoList().SelectAllRows();
    window->MoveToPlayList();
    testsupport::RecordingSink messages;
    const auto load = [&](const std::string& text) {
        const std::filesystem::path file = sandbox.Root() / "test.vmr";
        std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
        messages.shown.clear();
        window->LoadPlayList(QString::fromStdString(file.string()));
    };
    for (const std::string& text : {std::string("vmr play list, ver 1.32\r\n"), std::string(),
                                    std::string("Something else\r\nVMR Play List\r\n")}) {
        load(text);
        QCOMPARE(messages.shown.size(), size_t(1));
        QCOMPARE(messages.shown[0].title, std::string("Load Playlist Error"));
        QCOMPARE(window->PlayList().Model().rowCount(), 1);
    }
    // Containment is enough; lines that resolve to nothing are dropped silently.
    load("My VMR Play List\r\n" + (sandbox.Game() / "gone.dm_48").string() + "\r\n\r\n");
    QVERIFY(messages.shown.empty());
    QCOMPARE(window->PlayList().Model().rowCount(), 0);
    QCOMPARE(window->PlayList().NameLabelText(), QStringLiteral("Play List corrupted, nothing to load"));
    QCOMPARE(window->Status().PlayListText(), QStringLiteral("0 Items. Total length: 00:00:00"));
    QVERIFY(!window->Cmds().savePlayList->isEnabled());
    window->close();
}

VELMORA_GUI_TEST(PlayListFileTest)
#include "PlayListFileTest.moc"
