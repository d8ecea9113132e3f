// The "Statistics" tab and the player description on real widgets: a demo's match statistics per
// player, figures the mod does not send shown as such, and a plain sentence for a demo without any.
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QTableWidget>
#include <QTest>

#include <filesystem>

#include "core/library/FolderTreeOps.h"
#include "gui/app/MainWindow.h"
#include "gui/details/DemoDetails.h"
#include "gui/details/PlayerWindow.h"
#include "gui/details/PropertiesWindow.h"
#include "gui/details/StatisticsTab.h"
#include "gui/lists/DemoListPane.h"
#include "gui/tree/FolderTreePane.h"
#include "support/gui/GuiTestSupport.h"

using namespace guitest;
namespace fs = std::filesystem;

namespace {

// The table's cells of the row whose header is `caption`; empty when there is none.
QStringList RowOf(QTableWidget& table, const QString& caption)
{
    for (int row = 0; row < table.rowCount(); ++row) {
        if (table.verticalHeaderItem(row)->text() != caption)
            continue;
        QStringList cells;
        for (int column = 0; column < table.columnCount(); ++column)
            cells << (table.item(row, column) ? table.item(row, column)->text() : QString());
        return cells;
    }
    return {};
}

} // namespace

class StatisticsTest : public QObject {
    Q_OBJECT
private slots:
    void tablePerPlayerAndPlainSentenceWithout();
    void propertiesAndPlayerWindowShowTheDemosStatistics();
};

void StatisticsTest::tablePerPlayerAndPlainSentenceWithout()
{
    gui::StatisticsTab tab;
    tab.show();
    QCOMPARE(tab.Status().text(), QStringLiteral("This demo holds no match statistics."));
    QCOMPARE(tab.Table().rowCount(), 0);
    QVERIFY(!tab.Table().isVisible() && !tab.PlayerBox().isVisible());

    core::MatchStatisticsCollector collector(68);
    core::GameState state;
    state.configStrings = {{545, "n\\^1my^7T\\t\\0"}, {546, "n\\Sylver\\t\\0"}};
    collector.GameState(state);
    collector.ServerCommand(1, "xstats2 1 160 70 190 5 0 9 0 21 53 4 0 7 0 4935 3807 4395 1645");
    collector.ServerCommand(2, "xstats1 2 2 65536 3 0 0 100 200"); // OSP's older form: no armour, no health
    core::MatchStatisticsResult result;
    result.found = true;
    result.statistics = collector.Finish();
    tab.Show(result);
    QCOMPARE(tab.Status().text(), QStringLiteral("Sent by CPMA."));
    QVERIFY(tab.Table().isVisible() && tab.PlayerBox().isEnabled());
    QCOMPARE(tab.PlayerBox().count(), 2);
    QCOMPARE(tab.PlayerBox().itemText(0), QStringLiteral("myT"));
    QCOMPARE(tab.Table().rowCount(), 2 + 4);
    QCOMPARE(RowOf(tab.Table(), QStringLiteral("Rocket Launcher")),
             (QStringList{QStringLiteral("70"), QStringLiteral("190"), QStringLiteral("36.8 %")}));
    QCOMPARE(RowOf(tab.Table(), QStringLiteral("Railgun")).last(), QStringLiteral("39.6 %"));
    QCOMPARE(RowOf(tab.Table(), QStringLiteral("Armour taken")).first(), QStringLiteral("4395"));

    tab.PlayerBox().setCurrentIndex(1);
    QCOMPARE(RowOf(tab.Table(), QStringLiteral("Gauntlet")),
             (QStringList{QStringLiteral("0"), QStringLiteral("3"), QStringLiteral("0.0 %")}));
    QCOMPARE(RowOf(tab.Table(), QStringLiteral("Damage given")).first(), QStringLiteral("100"));
    QCOMPARE(RowOf(tab.Table(), QStringLiteral("Health taken")).first(), QStringLiteral("-"));
}

void StatisticsTest::propertiesAndPlayerWindowShowTheDemosStatistics()
{
    const fs::path demo = fs::path(VELMORA_CORPUS_DIR) / "modern" / "cpma-duel.dm_68";
    if (!fs::exists(demo))
        QSKIP("no corpus");
    Sandbox sandbox;
    const fs::path folder = sandbox.Game() / "duels";
    fs::create_directories(folder);
    fs::copy_file(demo, folder / "cpma-duel.dm_68");
    auto window = sandbox.Start();
    QVERIFY(window);
    core::FolderNode* node = core::FindNodeByPath(window->TreePane().Tree(), folder.string());
    QVERIFY(node);
    window->TreePane().SelectNode(node);
    window->DemoList().SelectRows({0}, false);
    window->DemoList().PropertiesAction()->trigger();
    gui::PropertiesWindow* prop = window->findChild<gui::DemoDetails*>()->Properties();
    QVERIFY(prop);
    gui::StatisticsTab& tab = prop->Statistics();
    QTRY_VERIFY_WITH_TIMEOUT(!tab.Loading(), 20000);
    prop->Tabs().setCurrentWidget(&tab);
    QCOMPARE(tab.PlayerBox().count(), 2);
    QCOMPARE(RowOf(tab.Table(), QStringLiteral("Lightning Gun")).mid(0, 2),
             (QStringList{QStringLiteral("412"), QStringLiteral("1034")}));

    // The player description of myT shows the same figures.
    int entry = -1;
    for (int k = 0; k < prop->PlayerList().count(); ++k)
        if (prop->PlayerList().item(k)->text().contains(QStringLiteral("myT")))
            entry = k;
    QVERIFY(entry >= 0);
    prop->OpenPlayer(entry);
    gui::PlayerWindow* player = prop->ShownPlayerWindow();
    QVERIFY(player);
    QCOMPARE(player->StatisticsStatus().text(), QStringLiteral("Sent by CPMA."));
    QCOMPARE(RowOf(player->StatisticsTable(), QStringLiteral("Damage given")).first(), QStringLiteral("4935"));
}

VELMORA_GUI_TEST(StatisticsTest)
#include "StatisticsTest.moc"
