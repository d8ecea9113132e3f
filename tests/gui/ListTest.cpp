// The two list panes on real widgets: the sort rules by header clicks, the selection sums and
// their status texts, the command enabling rules and the model's consistency.
#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QIcon>
#include <QStyleOptionHeader>
#include <QTest>

#include <numeric>

#include "core/row/DemoInfo.h"
#include "gui/app/MainWindow.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/ListSort.h"
#include "gui/lists/PlayListPane.h"
#include "support/gui/GuiTestSupport.h"

using namespace guitest;

namespace {

gui::ListRow Row(const std::string& name, const std::string& size = "1 KB", const std::string& playtime = "00:00:00")
{
    gui::ListRow row;
    for (auto& field : row.info.fields)
        field = "N/A";
    row.info[core::FieldDemoname] = name;
    row.info[core::FieldSize] = size;
    row.info[core::FieldPlaytime] = playtime;
    row.info[core::FieldMod] = "baseq3";
    row.info[core::FieldProtocol] = "48";
    row.info[core::FieldLocation] = "/demos";
    row.info[core::FieldWeb] = "";
    row.sourceKind = gui::SourceKindOf(row.info);
    return row;
}

void ClickHeader(gui::ListPane& pane, int column)
{
    QHeaderView* header = pane.DetailsPart().header();
    header->showSection(column);
    header->resizeSection(column, 60);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
}

} // namespace

class ListTest : public QObject {
    Q_OBJECT
private slots:
    void sortsOnTheRowsNumbersInTheShownOrder();
    void editedUserDataSortsByItsNewValue();
    void headerClicksChooseColumnAndDirection();
    void selectionSumsFollowTheSelection();
    void commandsFollowTheSelection();
    void modelStaysConsistent();
    void columnAlignmentAndHeaderImages();
    void firstStartColumnsShowTypicalValues();
};

namespace {

// A row as the listing makes it: the texts shown, the numbers behind them.
gui::ListRow KeyedRow(uint64_t bytes, uint32_t recorded, const std::string& playtime, const std::string& limit,
                      const std::string& score, const std::string& rating, const std::string& host)
{
    gui::ListRow row = Row("demo.dm_48", core::FormatListSize(bytes), playtime);
    row.info[core::FieldRecorded] = core::DosDateTimeText(recorded);
    for (int column = core::FieldTimelimit; column <= core::FieldMinPing; ++column)
        row.info[column] = limit;
    row.info[core::FieldFinalScore] = score;
    row.info[core::FieldRating] = rating;
    row.info[core::FieldHostname] = host;
    core::SetRowKeys(row.info, bytes, recorded);
    return row;
}

std::vector<int> Sorted(const std::vector<gui::ListRow>& rows, int column, bool ascending)
{
    std::vector<const core::DemoInfo*> infos;
    for (const gui::ListRow& row : rows)
        infos.push_back(&row.info);
    return gui::SortedRows(infos, column, ascending);
}

// The order the lists had when they read every cell's shown text back.
std::vector<int> SortedByShownTexts(const std::vector<gui::ListRow>& rows, int column, bool ascending)
{
    std::vector<gui::SortKey> keys;
    for (const gui::ListRow& row : rows)
        keys.push_back(gui::SortTextReader::Current().KeyOf(gui::FieldText(row.info, column)));
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int result = gui::CompareSortKeys(keys[static_cast<size_t>(a)], keys[static_cast<size_t>(b)]);
        return ascending ? result < 0 : result > 0;
    });
    return order;
}

} // namespace

void ListTest::sortsOnTheRowsNumbersInTheShownOrder()
{
    const auto date = [](int year, int month, int day, int hour) {
        return gui::PackDosDateTime(year, month, day, hour, 30, 0);
    };
    // Values beside "N/A", "N/S" and empty texts, negative, fractional and large ones.
    const std::vector<gui::ListRow> rows = {
        KeyedRow(1536, date(2001, 2, 3, 0), "00:10:05", "20", "3:1", "10", "beta"),
        KeyedRow(900 * 1024, date(1999, 12, 31, 23), "00:00:00", "N/S", "2:9", "", "gamma 2"),
        KeyedRow(1523 * 1024, date(2001, 2, 3, 9), "01:00:00", "N/A", "10:0", "5", "alpha"),
        KeyedRow(0, date(1980, 1, 1, 0), "00:09:59", "", "0:0", "0", "N/A"),
        KeyedRow(5000000000, date(2030, 6, 15, 12), "12:34:56", "-5", "99:99", "999", ""),
        KeyedRow(12 * 1024, date(2020, 1, 2, 3), "00:00:01", "2.5", "5:5", "", "10 frags"),
        KeyedRow(700, date(2020, 1, 2, 4), "00:59:59", "1e3", "1:0", "3", "2 frags"),
        KeyedRow(2048 * 1024, date(2079, 12, 31, 23), "99:59:59", "100000", "0:1", "7", "Zulu"),
    };
    for (int column = 0; column < core::DemoFieldCount; ++column)
        for (const bool ascending : {true, false})
            QVERIFY2(
                Sorted(rows, column, ascending) == SortedByShownTexts(rows, column, ascending),
                qPrintable(QStringLiteral("column %1, %2").arg(column).arg(QLatin1String(ascending ? "up" : "down"))));

    // Where the shown texts misled the old order, the numbers decide: sizes within one shown
    // kilobyte, scores with a second part of 100 or more, negative scores, and dates from 2080 on
    // (shown with two-digit years).
    const struct {
        int column;
        std::vector<gui::ListRow> rows;
        std::vector<int> ascending;
    } numbers[] = {
        {core::FieldSize, {KeyedRow(1100, 0, "", "", "", "", ""), KeyedRow(1000, 0, "", "", "", "", "")}, {1, 0}},
        {core::FieldFinalScore,
         {KeyedRow(0, 0, "", "", "2:0", "", ""), KeyedRow(0, 0, "", "", "1:150", "", ""),
          KeyedRow(0, 0, "", "", "-3:5", "", "")},
         {2, 1, 0}},
        {core::FieldRecorded,
         {KeyedRow(0, date(2080, 1, 1, 1), "", "", "", "", ""), KeyedRow(0, date(1990, 1, 1, 1), "", "", "", "", "")},
         {1, 0}},
    };
    for (const auto& c : numbers) {
        QCOMPARE(Sorted(c.rows, c.column, true), c.ascending);
        QCOMPARE(Sorted(c.rows, c.column, false), std::vector<int>(c.ascending.rbegin(), c.ascending.rend()));
    }
}

void ListTest::editedUserDataSortsByItsNewValue()
{
    // A rating typed in the editor reaches the row as a text; the row's number follows it.
    gui::DemoListPane pane;
    pane.Model().Append({KeyedRow(1024, 0, "", "", "", "2", "a"), KeyedRow(2048, 0, "", "", "", "9", "b")});
    core::DemoInfo edited = pane.Model().Row(0).info;
    edited[core::FieldRating] = "10";
    pane.Model().SetRowInfo(0, edited);
    pane.SortBy(core::FieldRating, true);
    QCOMPARE(pane.Model().Row(1).info[core::FieldRating], std::string("10"));
}

void ListTest::headerClicksChooseColumnAndDirection()
{
    gui::DemoListPane pane;
    pane.resize(600, 300);
    pane.show();
    pane.Model().Append({Row("b.dm_48", "900 KB"), Row("a.dm_48", "1523 KB"), Row("c.dm_48", "12 KB")});
    pane.SelectRows({2}, false); // c.dm_48
    // Another column sorts ascending at its first click, the same column again reverses.
    ClickHeader(pane, core::FieldSize);
    QCOMPARE(Names(pane),
             (QStringList{QStringLiteral("c.dm_48"), QStringLiteral("b.dm_48"), QStringLiteral("a.dm_48")}));
    QCOMPARE(pane.SortColumn(), int(core::FieldSize));
    QVERIFY(pane.SortAscending());
    QCOMPARE(pane.DetailsPart().header()->sortIndicatorSection(), int(core::FieldSize));
    ClickHeader(pane, core::FieldSize);
    QCOMPARE(Names(pane),
             (QStringList{QStringLiteral("a.dm_48"), QStringLiteral("b.dm_48"), QStringLiteral("c.dm_48")}));
    QCOMPARE(pane.DetailsPart().header()->sortIndicatorOrder(), Qt::DescendingOrder);
    // The selection moves with its row.
    QCOMPARE(pane.SelectedRows(), std::vector<int>{2});
    ClickHeader(pane, core::FieldDemoname);
    QVERIFY(pane.SortAscending());
    QCOMPARE(Names(pane).front(), QStringLiteral("a.dm_48"));

    // The arrow points up over A to Z and down over Z to A; a caption that does not fit its
    // column (right-aligned "Final Score" among them) keeps its beginning and ends in an ellipsis.
    auto* header = static_cast<gui::SortHeader*>(pane.DetailsPart().header());
    header->showSection(core::FieldFinalScore);
    for (const bool ascending : {true, false}) {
        pane.SortBy(core::FieldFinalScore, ascending);
        QCOMPARE(header->SectionLook(core::FieldFinalScore).sortIndicator,
                 ascending ? QStyleOptionHeader::SortUp : QStyleOptionHeader::SortDown);
        QCOMPARE(header->SectionLook(core::FieldSize).sortIndicator, QStyleOptionHeader::None);
        for (const int width : {75, 60, 200}) {
            header->resizeSection(core::FieldFinalScore, width);
            const QString caption = header->SectionLook(core::FieldFinalScore).text;
            if (width == 200) {
                QCOMPARE(caption, QStringLiteral("Final Score"));
                continue;
            }
            QVERIFY2(caption.startsWith(QLatin1Char('F')) && caption.endsWith(QChar(0x2026)), qPrintable(caption));
            QVERIFY(header->fontMetrics().horizontalAdvance(caption) < width - 16);
        }
    }
}

void ListTest::selectionSumsFollowTheSelection()
{
    gui::DemoListPane demo;
    gui::PlayListPane play;
    QString demoText, playText;
    connect(&demo, &gui::DemoListPane::statusText, this, [&](const QString& text) { demoText = text; });
    connect(&play, &gui::PlayListPane::statusText, this, [&](const QString& text) { playText = text; });
    demo.SetSummary(QStringLiteral("3 item(s) loaded in 0.01 sec."));
    demo.Model().Append({Row("a.dm_48", "512 KB", "00:01:40"), Row("b.dm_48", "512 KB", "00:02:20"),
                         Row("c.dm_48", "512 KB", "00:00:10"), Row("d.dm_48", "2048 KB", "01:00:00")});
    demo.SelectRows({0, 1, 2}, false);
    QCOMPARE(demoText, QStringLiteral("3 item(s) selected. 1.50 MB. Playtime: 00:04:10."));
    demo.SelectRows({3}, true);
    QCOMPARE(demoText, QStringLiteral("4 item(s) selected. 3.50 MB. Playtime: 01:04:10."));
    demo.Selection().select(demo.Model().index(3, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    QCOMPARE(demoText, QStringLiteral("3 item(s) selected. 1.50 MB. Playtime: 00:04:10."));
    // No selection: the listing's summary comes back.
    demo.Selection().clearSelection();
    QCOMPARE(demoText, QStringLiteral("3 item(s) loaded in 0.01 sec."));
    QCOMPARE(demo.ShownText(), demoText);

    play.Model().Append({Row("x.dm_48", "100 KB", "00:00:05")});
    play.SelectAllRows();
    QCOMPARE(playText, QStringLiteral("1 item(s) selected. 100.00 KB. Playtime: 00:00:05."));
    play.Selection().clearSelection();
    QCOMPARE(playText, QStringLiteral("0 item(s) selected. 0.00 KB. Playtime: 00:00:00."));

    // Sums beyond 4 GB do not wrap round.
    gui::RowTotals big;
    big.count = 1;
    big.kilobytes = uint64_t(6) * 1024 * 1024;
    QVERIFY(gui::SelectionText(big).contains(QStringLiteral("6144")));
}

void ListTest::commandsFollowTheSelection()
{
    gui::DemoListPane demo;
    gui::ListRow plain = Row("plain.dm_48");
    gui::ListRow packed = Row("packed.dm_48");
    packed.info[core::FieldLocation] = "/game/pak0.pk3";
    packed.sourceKind = gui::SourceKindOf(packed.info);
    gui::ListRow noMod = Row("nomod.dm3");
    noMod.info[core::FieldMod] = "N/A";
    noMod.sourceKind = gui::SourceKindOf(noMod.info);
    gui::ListRow old = Row("old.dm3");
    old.info[core::FieldProtocol] = "46";
    demo.Model().Append({plain, packed, noMod, old});
    QCOMPARE(packed.sourceKind, 1);
    QCOMPARE(noMod.sourceKind, 4);
    demo.SetReadOnlyMode(false);

    struct Case {
        std::vector<int> rows;
        bool play, move, erase, rename, properties;
    };
    // clang-format off
    const Case cases[] = {
        {{}, false, false, false, false, false},
        {{0}, true, true, true, true, true},
        {{1}, true, true, false, false, true},    // an archive member: no delete, no rename
        {{2}, false, false, true, true, true},    // no mod information: not playable
        {{3}, false, false, true, true, true},    // protocol 46
        {{0, 1}, false, true, false, false, false},
        {{0, 3}, false, false, true, false, false},
    };
    // clang-format on
    for (const Case& c : cases) {
        demo.SelectRows(c.rows, false);
        if (c.rows.empty())
            demo.Selection().clearSelection();
        QCOMPARE(demo.PlayAction()->isEnabled(), c.play);
        QCOMPARE(demo.MoveToPlayListAction()->isEnabled(), c.move);
        QCOMPARE(demo.DeleteAction()->isEnabled(), c.erase);
        QCOMPARE(demo.RenameAction()->isEnabled(), c.rename);
        QCOMPARE(demo.PropertiesAction()->isEnabled(), c.properties);
    }
    demo.SetReadOnlyMode(true);
    demo.SelectRows({0}, false);
    QVERIFY(!demo.DeleteAction()->isEnabled());
    QVERIFY(!demo.RenameAction()->isEnabled());
    QVERIFY(gui::DemoListPane::IsWebLink(QStringLiteral("HTTP://example.org")));
    QVERIFY(gui::DemoListPane::IsWebLink(QStringLiteral("mailto:me@example.org")));
    QVERIFY(!gui::DemoListPane::IsWebLink(QStringLiteral("www.example.org")));
}

void ListTest::modelStaysConsistent()
{
    gui::PlayListPane pane;
    QAbstractItemModelTester tester(&pane.Model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    pane.Model().Append({Row("a"), Row("b"), Row("c"), Row("d"), Row("e")});
    pane.Model().Insert(1, {Row("x"), Row("y")});
    pane.Model().MoveRow(0, 4);
    pane.Model().MoveRow(5, 1);
    pane.Model().RemoveRowNumbers({6, 0, 3, 3});
    QCOMPARE(Names(pane),
             (QStringList{QStringLiteral("d"), QStringLiteral("y"), QStringLiteral("c"), QStringLiteral("a")}));
    pane.SortBy(core::FieldDemoname, true);
    QCOMPARE(Names(pane),
             (QStringList{QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("d"), QStringLiteral("y")}));
    pane.Model().Clear();
    QCOMPARE(pane.Model().rowCount(), 0);
}

void ListTest::columnAlignmentAndHeaderImages()
{
    gui::DemoListPane demo;
    gui::PlayListPane play;
    for (gui::ListPane* pane : {static_cast<gui::ListPane*>(&demo), static_cast<gui::ListPane*>(&play)}) {
        pane->Model().Append({Row("a.dm_48", "1523 KB")});
        const bool isDemoList = pane == &demo;
        for (int column = 0; column < core::DemoFieldCount; ++column) {
            const bool right =
                column == core::FieldSize || column == core::FieldFinalScore || column == core::FieldRating;
            const int expected = (right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
            const QAbstractItemModel& model = pane->Model();
            QCOMPARE(model.data(model.index(0, column), Qt::TextAlignmentRole).toInt(), expected);
            QCOMPARE(model.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt(), expected);
            // Only the demo list's user data columns carry a picture in their headers.
            const bool userData = column >= core::FieldPOV && column <= core::FieldDescription;
            const QIcon icon = model.headerData(column, Qt::Horizontal, Qt::DecorationRole).value<QIcon>();
            QCOMPARE(!icon.isNull(), isDemoList && userData);
            if (!icon.isNull())
                QCOMPARE(icon.pixmap(16, 16).size(), QSize(16, 16));
        }
    }
    // Four different pictures.
    QSet<qint64> keys;
    for (int column = core::FieldPOV; column <= core::FieldDescription; ++column)
        keys.insert(demo.Model().headerData(column, Qt::Horizontal, Qt::DecorationRole).value<QIcon>().cacheKey());
    QCOMPARE(keys.size(), 4);
}

void ListTest::firstStartColumnsShowTypicalValues()
{
    Sandbox sandbox;
    const std::filesystem::path folder = sandbox.Game() / "baseoa" / "demos";
    sandbox.AddDemo(folder / "ffa-oa_dm1-ioquake3.dm_48");
    auto window = sandbox.Start(); // no configuration file: a first start
    QVERIFY(window);
    gui::DemoListPane& demos = window->DemoList();
    // Values as a collection holds them, beside the one listed.
    gui::ListRow typical = Row("2025-11-28_cpma-duel-q3dm6.dm_68", "48213 KB");
    typical.info[core::FieldRecorded] = core::DosDateTimeText(core::DosDateTimeFromUnix(1764373679));
    typical.info[core::FieldMap] = "q3tourney2";
    typical.info[core::FieldPlaytime] = "00:12:34";
    typical.info[core::FieldGametype] = "Capture the Flag";
    typical.info[core::FieldHostname] = "Clan Arena #2";
    typical.info[core::FieldProtocol] = "68";
    typical.info[core::FieldWinner] = "Major";
    typical.info[core::FieldFinalScore] = "100:99";
    demos.Model().Append({typical, Row("team-chat-1.32.dm_68", "107 KB")});
    QHeaderView* header = demos.DetailsPart().header();
    // The columns of the README's picture, in its order.
    const int shown[] = {core::FieldDemoname, core::FieldMap,      core::FieldPlaytime, core::FieldGametype,
                         core::FieldHostname, core::FieldProtocol, core::FieldWinner,   core::FieldFinalScore,
                         core::FieldSize,     core::FieldRecorded};
    for (int position = 0; position < int(std::size(shown)); ++position)
        QCOMPARE(header->logicalIndex(position), shown[position]);
    for (const int column : shown) {
        QVERIFY(!header->isSectionHidden(column));
        const int given = header->sectionSize(column);
        // What the view itself would give the column to show its texts whole.
        demos.DetailsPart().resizeColumnToContents(column);
        const int needed = header->sectionSize(column);
        QVERIFY2(given >= needed, qPrintable(QStringLiteral("column %1: %2 < %3").arg(column).arg(given).arg(needed)));
    }
    // The other columns stay hidden.
    for (const int column : {core::FieldArchiveLocation, core::FieldVersion, core::FieldSecond, core::FieldDescription})
        QVERIFY(header->isSectionHidden(column));
}

VELMORA_GUI_TEST(ListTest)
#include "ListTest.moc"
