// The search bar and the "Search results" virtual folder in the real window: the library is
// indexed in the background, typing refines the results, list commands work on them, and a lock
// held by another program is reported instead of waited for.
#include <QTest>

#include <sqlite3.h>

#include "core/index/LibraryIndex.h"
#include "core/library/FolderTreeOps.h"
#include "core/settings/Settings.h"
#include "gui/app/MainWindow.h"
#include "gui/common/StatusPanels.h"
#include "gui/fileops/FileOperations.h"
#include "gui/fileops/InPlaceEditor.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/LibrarySearch.h"
#include "gui/lists/PlayListPane.h"
#include "gui/lists/SearchBar.h"
#include "gui/tree/FolderTreePane.h"
#include "gui/tree/SearchResultsNode.h"
#include "support/DemoBuilder.h"
#include "support/Recorder.h"
#include "support/SearchCases.h"
#include "support/ZipBuilder.h"
#include "support/gui/GuiTestSupport.h"

using namespace guitest;

namespace {

std::vector<uint8_t> PackedDemo(const std::string& player)
{
    testsupport::DemoBuilder demo(48);
    demo.Add(testsupport::Message(48).GameState({{0, testsupport::ServerInfo(48, "q3dm6", "1")},
                                                 {1, "\\sv_pure\\1"},
                                                 {544, testsupport::UserInfo(player, 0)}}));
    demo.Add(testsupport::Message(48).Snapshot(1000)).Add(testsupport::Message(48).Snapshot(31000)).End();
    return demo.Bytes();
}

void Type(gui::MainWindow& window, const QString& text)
{
    window.SearchField().setFocus();
    QTest::keyClicks(&window.SearchField(), text);
}

// The list keeps its own sort order (by default names descending): compare what it holds.
QStringList Holds(const gui::ListPane& pane)
{
    QStringList names = Names(pane);
    names.sort();
    return names;
}

void WaitForIndex(gui::MainWindow& window)
{
    QTRY_VERIFY_WITH_TIMEOUT(!window.Search().Indexing(), 30000);
}

} // namespace

class SearchTest : public QObject {
    Q_OBJECT
private slots:
    void findsAPlayerInEveryFolderAndPackAsYouType();
    void listCommandsWorkOnTheResults();
    void aLockedIndexIsReportedNotWaitedFor();
    void stoppingAListingOrClosingNeverEmptiesTheIndex();
    void findsWordsOfEveryScriptAsTheCommandLineDoes();

private:
    std::unique_ptr<gui::MainWindow> Start(Sandbox& sandbox)
    {
        const auto demos = sandbox.Game() / "baseoa" / "demos";
        sandbox.AddModernDemo(demos / "final.dm_68", 68, {"^1cK^7-Fatal1ty", "Visor"});
        sandbox.AddModernDemo(demos / "2019" / "semi.dm_68", 68, {"fatal1ty"});
        sandbox.AddModernDemo(demos / "2019" / "other.dm_68", 68, {"Sarge"});
        testsupport::WriteFile(sandbox.Game() / "baseoa" / "zz-demos.pk3",
                               testsupport::BuildZip({{.name = "demos/packed.dm_48", .data = PackedDemo("Fatal1ty")}}));
        auto window = sandbox.Start();
        if (window) {
            window->StartIndexing();
            WaitForIndex(*window);
        }
        return window;
    }
};

void SearchTest::findsAPlayerInEveryFolderAndPackAsYouType()
{
    Sandbox sandbox;
    auto window = Start(sandbox);
    QVERIFY(window);
    QCOMPARE(window->Status().IndexText(), QStringLiteral("Library index: 4 demo(s)"));

    Type(*window, QStringLiteral("player:fatal"));
    QTRY_COMPARE(Holds(window->DemoList()), (QStringList{QStringLiteral("final.dm_68"), QStringLiteral("packed.dm_48"),
                                                         QStringLiteral("semi.dm_68")}));
    QVERIFY(window->ResultsNode().Shown());
    QCOMPARE(window->Status().FolderPath(), QStringLiteral("Search results"));
    QCOMPARE(window->Status().ListText(), QStringLiteral("3 demo(s) found in the library."));
    const gui::ListRow& packed = window->DemoList().Model().Rows()[static_cast<size_t>(
        Names(window->DemoList()).indexOf(QStringLiteral("packed.dm_48")))];
    QCOMPARE(QString::fromStdString(packed.info[core::FieldLocation]),
             QString::fromStdString((sandbox.Game() / "baseoa" / "zz-demos.pk3").string()));

    // Typing on narrows the results without pressing Enter.
    QTest::keyClicks(&window->SearchField(), QStringLiteral(" map:q3dm6"));
    QTRY_COMPARE(Names(window->DemoList()), QStringList{QStringLiteral("packed.dm_48")});

    // Emptying the bar lists the selected folder again; the virtual folder shows the results again.
    window->SearchField().clear();
    QTRY_VERIFY(!window->ResultsNode().Shown());
    QVERIFY(!window->CurrentFolder().empty());
    QVERIFY(!Names(window->DemoList()).contains(QStringLiteral("packed.dm_48")));
    const QRect node = window->ResultsNode().visualItemRect(&window->ResultsNode().Item());
    QTest::mouseClick(window->ResultsNode().viewport(), Qt::LeftButton, {}, node.center());
    QTRY_COMPARE(Names(window->DemoList()), QStringList{QStringLiteral("packed.dm_48")});
    QVERIFY(window->CurrentFolder().empty());

    // A query that cannot be read says why and leaves the list alone.
    window->SearchField().clear();
    Type(*window, QStringLiteral("after:someday"));
    QTRY_COMPARE(window->Status().ListText(), QStringLiteral("after:someday: dates are written YYYY-MM-DD"));
}

void SearchTest::listCommandsWorkOnTheResults()
{
    Sandbox sandbox;
    auto window = Start(sandbox);
    QVERIFY(window);
    Type(*window, QStringLiteral("fatal1ty"));
    window->SearchField().SearchNow();
    QTRY_COMPARE(window->DemoList().Model().rowCount(), 3);

    gui::DemoListPane& list = window->DemoList();
    const int semi = static_cast<int>(Names(list).indexOf(QStringLiteral("semi.dm_68")));
    list.Selection().select(list.Model().index(semi, 0),
                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QVERIFY(list.PlayAction()->isEnabled());
    QVERIFY(list.MoveToPlayListAction()->isEnabled());
    list.MoveToPlayListAction()->trigger();
    QCOMPARE(Names(window->PlayList()), QStringList{QStringLiteral("semi.dm_68")});

    // A demo inside a pack can be played but not renamed, as in its folder.
    const int packed = static_cast<int>(Names(list).indexOf(QStringLiteral("packed.dm_48")));
    list.Selection().select(list.Model().index(packed, 0),
                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QVERIFY(list.PlayAction()->isEnabled());

    // Rename and delete act on the demo's own folder, as from a folder listing.
    if (core::Settings.work_readonly)
        window->Cmds().readOnly->trigger();
    const auto demos = sandbox.Game() / "baseoa" / "demos";
    list.SelectRows({static_cast<int>(Names(list).indexOf(QStringLiteral("final.dm_68")))}, false);
    QVERIFY(list.RenameAction()->isEnabled());
    list.RenameAction()->trigger();
    gui::InPlaceEditor* editor = window->findChild<gui::FileOperations*>()->Editor();
    QVERIFY(editor);
    editor->setText(QStringLiteral("grand-final.dm_68"));
    QTest::keyClick(editor, Qt::Key_Return);
    QVERIFY(std::filesystem::exists(demos / "grand-final.dm_68"));
    QVERIFY(Names(list).contains(QStringLiteral("grand-final.dm_68")));
    {
        testsupport::RecordingSink sink;
        sink.answer = true;
        list.SelectRows({static_cast<int>(Names(list).indexOf(QStringLiteral("grand-final.dm_68")))}, false);
        list.DeleteAction()->trigger();
    }
    QVERIFY(!std::filesystem::exists(demos / "grand-final.dm_68"));
    QCOMPARE(Holds(list), (QStringList{QStringLiteral("packed.dm_48"), QStringLiteral("semi.dm_68")}));

    // A demo removed from its folder leaves the results once the index knows.
    WaitForIndex(*window);
    std::filesystem::remove(sandbox.Game() / "baseoa" / "demos" / "2019" / "semi.dm_68");
    window->StartIndexing();
    WaitForIndex(*window);
    QTRY_COMPARE(Holds(list), QStringList{QStringLiteral("packed.dm_48")});
}

void SearchTest::aLockedIndexIsReportedNotWaitedFor()
{
    Sandbox sandbox;
    auto window = Start(sandbox);
    QVERIFY(window);
    const auto file = sandbox.Program() / "VMR Data" / std::string(core::kLibraryIndexName);
    QVERIFY(std::filesystem::exists(file));
    sqlite3* other = nullptr;
    QCOMPARE(sqlite3_open(file.c_str(), &other), SQLITE_OK);
    QCOMPARE(sqlite3_exec(other, "BEGIN IMMEDIATE; DELETE FROM userdata;", nullptr, nullptr, nullptr), SQLITE_OK);

    // Another program writes: the search still answers, and the update says why it waits.
    std::filesystem::remove(sandbox.Game() / "baseoa" / "demos" / "2019" / "semi.dm_68");
    Type(*window, QStringLiteral("fatal"));
    window->SearchField().SearchNow();
    QTRY_COMPARE(window->DemoList().Model().rowCount(), 3);
    WaitForIndex(*window); // started when the bar took the focus
    QCOMPARE(window->Status().IndexText(),
             QStringLiteral("The library index is in use by another program; it is brought up to date next time."));

    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    window->StartIndexing();
    WaitForIndex(*window);
    QCOMPARE(window->Status().IndexText(), QStringLiteral("Library index: 3 demo(s)"));
    QTRY_COMPARE(window->DemoList().Model().rowCount(), 2);
}

void SearchTest::stoppingAListingOrClosingNeverEmptiesTheIndex()
{
    Sandbox sandbox;
    auto window = Start(sandbox);
    QVERIFY(window);
    QCOMPARE(window->Status().IndexText(), QStringLiteral("Library index: 4 demo(s)"));
    const auto folder = sandbox.Game() / "baseoa" / "demos" / "2019";

    // Escape stops the listing it was meant for; the index update that follows reads every folder.
    QTest::keyClick(&window->DemoList().CurrentView(), Qt::Key_Escape);
    sandbox.AddModernDemo(folder / "third.dm_68", 68, {"Xaero"});
    std::filesystem::rename(folder / "other.dm_68", folder / "renamed.dm_68");
    window->StartIndexing();
    WaitForIndex(*window);
    QCOMPARE(window->Status().IndexText(), QStringLiteral("Library index: 5 demo(s)"));
    Type(*window, QStringLiteral("dm_"));
    window->SearchField().SearchNow();
    QTRY_COMPARE(Holds(window->DemoList()), (QStringList{QStringLiteral("final.dm_68"), QStringLiteral("packed.dm_48"),
                                                         QStringLiteral("renamed.dm_68"), QStringLiteral("semi.dm_68"),
                                                         QStringLiteral("third.dm_68")}));

    // Closing the window while an update runs stops it; what the index held stays.
    for (int i = 0; i < 200; ++i)
        sandbox.AddModernDemo(folder / ("many" + std::to_string(i) + ".dm_68"), 68, {"Many"});
    window->StartIndexing();
    QVERIFY(window->Search().Indexing());
    window->close();
    window.reset();
    core::LibraryIndex index;
    QCOMPARE(index.Open(sandbox.Program() / "VMR Data" / std::string(core::kLibraryIndexName)), core::IndexStatus::Ok);
    QVERIFY(index.DemoCount().value_or(0) >= 5);
    QCOMPARE(index.Search(core::ParseSearchQuery("player:xaero")).rows.size(), size_t(1));
    QCOMPARE(index.Search(core::ParseSearchQuery("player:fatal")).rows.size(), size_t(3));
}

void SearchTest::findsWordsOfEveryScriptAsTheCommandLineDoes()
{
    Sandbox sandbox;
    searchcases::WriteLibrary(sandbox.Game() / "baseoa" / "demos" / "unicode", sandbox.Root() / "unused");
    auto window = sandbox.Start();
    QVERIFY(window);
    searchcases::WriteLibrary(sandbox.Game() / "baseoa" / "demos" / "unicode", core::Settings.paths.demoDataDirectory);
    window->StartIndexing();
    WaitForIndex(*window);
    for (const searchcases::Case& c : searchcases::Cases()) {
        window->SearchField().clear();
        window->SearchField().setFocus();
        // Key by key as a keyboard layout of the script delivers them: keys without a Qt key
        // code, carrying their text.
        for (const QChar ch : QString::fromUtf8(c.query)) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(&window->SearchField(), &press);
            QApplication::sendEvent(&window->SearchField(), &release);
        }
        QCOMPARE(window->SearchField().text(), QString::fromUtf8(c.query));
        window->SearchField().SearchNow();
        QStringList expected;
        for (const std::string& name : c.found)
            expected << QString::fromUtf8(name);
        expected.sort();
        QTRY_COMPARE(window->Status().ListText(),
                     QStringLiteral("%1 demo(s) found in the library.").arg(expected.size()));
        QCOMPARE(Holds(window->DemoList()), expected);
    }
}

VELMORA_GUI_TEST(SearchTest)
#include "SearchTest.moc"
