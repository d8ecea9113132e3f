// Drag and drop between and within the lists, on the real views: copies into the play list,
// reordering, removing, and the demos the play list refuses.
#include <QTest>

#include "gui/lists/DemoListPane.h"
#include "gui/lists/PlayListPane.h"
#include "support/gui/GuiTestSupport.h"

using namespace guitest;

namespace {

gui::ListRow Row(const std::string& name, const std::string& protocol = "48")
{
    gui::ListRow row;
    for (auto& field : row.info.fields)
        field = "N/A";
    row.info[core::FieldDemoname] = name;
    row.info[core::FieldSize] = "10 KB";
    row.info[core::FieldPlaytime] = "00:01:00";
    row.info[core::FieldMod] = "baseq3";
    row.info[core::FieldProtocol] = protocol;
    row.info[core::FieldLocation] = "/demos";
    row.sourceKind = gui::SourceKindOf(row.info);
    return row;
}

// The two lists side by side, as in the window, with rows named by the given letters.
struct Lists {
    gui::DemoListPane demo;
    gui::PlayListPane play;
    QString playText;

    Lists(const std::vector<std::string>& demoRows, const std::vector<std::string>& playRows)
    {
        play.SetDemoList(&demo);
        QObject::connect(&play, &gui::PlayListPane::statusText, &play,
                         [this](const QString& text) { playText = text; });
        QObject::connect(&demo, &gui::DemoListPane::playListRowsDropped, &play, &gui::PlayListPane::RemoveSelected);
        std::vector<gui::ListRow> rows;
        for (const std::string& name : demoRows)
            rows.push_back(Row(name));
        demo.Model().Append(rows);
        rows.clear();
        for (const std::string& name : playRows)
            rows.push_back(Row(name));
        play.Model().Append(rows);
        for (gui::ListPane* pane : {static_cast<gui::ListPane*>(&demo), static_cast<gui::ListPane*>(&play)}) {
            pane->resize(400, 300);
            pane->show();
        }
    }
};

QStringList Letters(const char* text)
{
    return QString::fromLatin1(text).split(QLatin1Char(' '));
}

} // namespace

class DragDropTest : public QObject {
    Q_OBJECT
private slots:
    void threeDemosDroppedOnTheSecondOfFive();
    void moveToPlayListAppends();
    void singleRowsReorder_data();
    void singleRowsReorder();
    void demosWithoutModOrOfProtocol46AreRefused();
    void playListRowsDroppedOnTheDemoListLeave();
};

void DragDropTest::threeDemosDroppedOnTheSecondOfFive()
{
    Lists lists({"d1", "d2", "d3", "d4"}, {"p1", "p2", "p3", "p4", "p5"});
    lists.demo.SelectRows({0, 2, 3}, false);
    QVERIFY(DragAndDrop(lists.demo, lists.play, RowCentre(lists.play, 1)));
    QCOMPARE(Names(lists.play), Letters("p1 d1 d3 d4 p2 p3 p4 p5"));
    // The copies are selected; the panel counts the selection and sums the whole list.
    QCOMPARE(lists.play.SelectedRows(), (std::vector<int>{1, 2, 3}));
    QCOMPARE(lists.playText, QStringLiteral("3 item(s) selected. 80.00 KB. Playtime: 00:08:00."));
    // A drop on empty space appends.
    lists.demo.SelectRows({1}, false);
    QVERIFY(DragAndDrop(lists.demo, lists.play, QPoint(5, lists.play.CurrentView().viewport()->height() - 3)));
    QCOMPARE(Names(lists.play).back(), QStringLiteral("d2"));
    QCOMPARE(lists.play.Model().rowCount(), 9);
}

void DragDropTest::moveToPlayListAppends()
{
    Lists lists({"d1", "d2", "d3"}, {"p1"});
    lists.demo.SelectRows({0, 2}, false);
    QVERIFY(lists.demo.MoveToPlayListAction()->isEnabled());
    lists.play.AddFromDemoList(-1);
    QCOMPARE(Names(lists.play), Letters("p1 d1 d3"));
}

void DragDropTest::singleRowsReorder_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("onto");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("first onto third") << 0 << 2 << Letters("2 3 1 4");
    QTest::newRow("fourth onto second") << 3 << 1 << Letters("1 4 2 3");
    QTest::newRow("onto itself") << 1 << 1 << Letters("1 2 3 4");
}

void DragDropTest::singleRowsReorder()
{
    QFETCH(int, from);
    QFETCH(int, onto);
    QFETCH(QStringList, order);
    Lists lists({}, {"1", "2", "3", "4"});
    lists.play.SelectRows({from}, false);
    QVERIFY(DragAndDrop(lists.play, lists.play, RowCentre(lists.play, onto)));
    QCOMPARE(Names(lists.play), order);
    // Several selected rows are not reordered by dragging.
    lists.play.SelectRows({0, 1}, false);
    DragAndDrop(lists.play, lists.play, RowCentre(lists.play, 3));
    QCOMPARE(Names(lists.play), order);
}

void DragDropTest::demosWithoutModOrOfProtocol46AreRefused()
{
    Lists lists({"d1", "old", "nomod"}, {"p1"});
    gui::ListRow old = Row("old", "46");
    gui::ListRow noMod = Row("nomod");
    noMod.info[core::FieldMod] = "N/A";
    noMod.sourceKind = gui::SourceKindOf(noMod.info);
    lists.demo.Model().Clear();
    lists.demo.Model().Append({Row("d1"), old, noMod});
    for (const std::vector<int>& selection : {std::vector<int>{0, 1}, std::vector<int>{2}}) {
        lists.demo.SelectRows(selection, false);
        QVERIFY(!lists.demo.MoveToPlayListAction()->isEnabled());
        QVERIFY(!DragAndDrop(lists.demo, lists.play, RowCentre(lists.play, 0)));
        QCOMPARE(Names(lists.play), Letters("p1"));
    }
    // The demo list's selection decides even for a drag within the play list.
    lists.play.Model().Append({Row("p2")});
    lists.play.SelectRows({0}, false);
    QVERIFY(!DragAndDrop(lists.play, lists.play, RowCentre(lists.play, 1)));
    lists.demo.SelectRows({0}, false);
    QVERIFY(DragAndDrop(lists.play, lists.play, RowCentre(lists.play, 1)));
    QCOMPARE(Names(lists.play), Letters("p2 p1"));
}

void DragDropTest::playListRowsDroppedOnTheDemoListLeave()
{
    Lists lists({"d1"}, {"p1", "p2", "p3"});
    lists.play.SelectRows({0, 2}, false);
    QVERIFY(DragAndDrop(lists.play, lists.demo, RowCentre(lists.demo, 0)));
    QCOMPARE(Names(lists.play), Letters("p2"));
    QCOMPARE(Names(lists.demo), Letters("d1"));
    // The demo list takes no other drop.
    lists.demo.SelectRows({0}, false);
    QVERIFY(!DragAndDrop(lists.demo, lists.demo, RowCentre(lists.demo, 0)));
    // "Remove from Playlist" does the same.
    lists.play.SelectAllRows();
    lists.play.RemoveAction()->trigger();
    QCOMPARE(lists.play.Model().rowCount(), 0);
    QCOMPARE(lists.playText, QStringLiteral("0 item(s) selected. 0.00 KB. Playtime: 00:00:00."));
}

VELMORA_GUI_TEST(DragDropTest)
#include "DragDropTest.moc"
