// The column chooser on the real lists, and column schemes saved from one list and loaded into
// the other through the window's commands, with damaged scheme files that change nothing.
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <fstream>

#include "core/settings/Settings.h"
#include "gui/app/MainWindow.h"
#include "gui/lists/ColumnChooser.h"
#include "gui/lists/ColumnCommands.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/PlayListPane.h"
#include "support/Recorder.h"
#include "support/gui/GuiTestSupport.h"

using namespace guitest;
namespace fs = std::filesystem;

namespace {

QStringList Captions(gui::ColumnChooser& dialog)
{
    QStringList captions;
    for (int i = 0; i < dialog.CheckList().count(); ++i)
        captions.append(dialog.CheckList().item(i)->text());
    return captions;
}

int RowOf(gui::ColumnChooser& dialog, const char* caption)
{
    return static_cast<int>(Captions(dialog).indexOf(QString::fromLatin1(caption)));
}

// Clicks the check box of a row as the user does.
void ClickBox(gui::ColumnChooser& dialog, int row)
{
    QListWidget& list = dialog.CheckList();
    QListWidgetItem* item = list.item(row);
    list.scrollToItem(item);
    const QRect rect = list.visualItemRect(item);
    // The box sits at the row's left end.
    const QPoint box(rect.left() + rect.height() / 2 + 2, rect.center().y());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, box);
}

} // namespace

class ColumnChooserTest : public QObject {
    Q_OBJECT
private slots:
    void chooserRules();
    void schemeRoundTripBetweenTheLists();
    void damagedSchemesChangeNothing();
};

void ColumnChooserTest::chooserRules()
{
    gui::PlayListPane list; // its first-start layout shows three columns
    list.resize(600, 300);
    list.show();
    gui::ColumnChooser dialog(list, QStringLiteral("Choose Playlist Columns"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    // The built-in layout: the three shown columns first and checked, the rest in display order.
    QStringList captions = Captions(dialog);
    QCOMPARE(captions.mid(0, 4), (QStringList{QStringLiteral("Demoname"), QStringLiteral("Size"),
                                              QStringLiteral("Recorded"), QStringLiteral("Archive Location")}));
    QCOMPARE(dialog.CheckList().item(2)->checkState(), Qt::Checked);
    QCOMPARE(dialog.CheckList().item(3)->checkState(), Qt::Unchecked);
    for (QPushButton* b :
         {&dialog.UpButton(), &dialog.DownButton(), &dialog.ShowButton(), &dialog.HideButton(), &dialog.ApplyButton()})
        QVERIFY(!b->isEnabled());

    // "Demoname" moves, but neither its box nor "&Hide" unchecks it.
    dialog.CheckList().setCurrentRow(0);
    QVERIFY(!dialog.HideButton().isEnabled());
    ClickBox(dialog, 0);
    QCOMPARE(dialog.CheckList().item(0)->checkState(), Qt::Checked);
    QVERIFY(!dialog.ApplyButton().isEnabled());
    QTest::mouseClick(&dialog.DownButton(), Qt::LeftButton);
    QCOMPARE(dialog.CheckList().currentRow(), 1);
    QCOMPARE(dialog.CheckList().item(1)->text(), QStringLiteral("Demoname"));
    QVERIFY(dialog.UpButton().isEnabled());
    QVERIFY(dialog.ApplyButton().isEnabled());

    // Hide "Size", show "Map" by its box and "Web" by "&Show", then apply.
    dialog.CheckList().setCurrentRow(RowOf(dialog, "Size"));
    QVERIFY(dialog.HideButton().isEnabled());
    QTest::mouseClick(&dialog.HideButton(), Qt::LeftButton);
    ClickBox(dialog, RowOf(dialog, "Map"));
    dialog.CheckList().setCurrentRow(RowOf(dialog, "Web"));
    QVERIFY(dialog.ShowButton().isEnabled());
    QTest::mouseClick(&dialog.ShowButton(), Qt::LeftButton);
    QTest::mouseClick(&dialog.ApplyButton(), Qt::LeftButton);
    QVERIFY(!dialog.ApplyButton().isEnabled());

    const core::ColumnScheme layout = list.Columns();
    QCOMPARE(layout.widths[core::FieldSize], 0);
    QCOMPARE(layout.widths[core::FieldWeb], 90);
    QVERIFY(layout.widths[core::FieldMap] > 0);
    // The hidden columns lead in row order ("Size" among them), then the shown ones:
    // Demoname (moved below "Size"), Recorded, Map, Web.
    QCOMPARE(layout.order[0], int(core::FieldSize));
    QCOMPARE(layout.order[23], int(core::FieldDemoname));
    QCOMPARE(layout.order[24], int(core::FieldRecorded));
    QCOMPARE(layout.order[25], int(core::FieldMap));
    QCOMPARE(layout.order[26], int(core::FieldWeb));
    QCOMPARE(list.DetailsPart().header()->logicalIndex(26), int(core::FieldWeb));

    // Cancel keeps what "&Apply" did.
    dialog.CheckList().setCurrentRow(RowOf(dialog, "Web"));
    QTest::mouseClick(&dialog.HideButton(), Qt::LeftButton);
    QTest::mouseClick(&dialog.CancelButton(), Qt::LeftButton);
    QCOMPARE(list.Columns().widths[core::FieldWeb], 90);

    // A fresh chooser lists the shown columns first, in display order.
    gui::ColumnChooser again(list, QStringLiteral("Choose Playlist Columns"));
    captions = Captions(again);
    QCOMPARE(captions.mid(0, 4), (QStringList{QStringLiteral("Demoname"), QStringLiteral("Recorded"),
                                              QStringLiteral("Map"), QStringLiteral("Web")}));
}

void ColumnChooserTest::schemeRoundTripBetweenTheLists()
{
    Sandbox sandbox;
    sandbox.AddDemo(sandbox.Game() / "baseoa" / "demos" / "x.dm_48");
    auto window = sandbox.Start();
    QVERIFY(window);
    auto* commands = window->findChild<gui::ColumnCommands*>();
    QVERIFY(commands);

    // The demo list's layout changed by the chooser, run through the toolbar's command.
    commands->runChooser = [](gui::ColumnChooser& dialog) {
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Choose Demolist Columns"));
        // "Description", and "Run time" (the list's last, hidden column) like any other.
        for (const QString& caption : {QStringLiteral("Description"), QStringLiteral("Run time")}) {
            const auto items = dialog.CheckList().findItems(caption, Qt::MatchExactly);
            QCOMPARE(items.size(), 1);
            dialog.CheckList().setCurrentItem(items.front());
            dialog.ShowButton().click();
        }
        dialog.CheckList().setCurrentRow(0);
        dialog.DownButton().click();
        dialog.OkButton().click();
    };
    window->Cmds().chooseDemoColumns->trigger();
    const core::ColumnScheme chosen = window->DemoList().Columns();
    QCOMPARE(chosen.widths[core::FieldDescription], 90);
    QVERIFY(chosen.widths[core::FieldRunTime] > 0);

    const fs::path file = sandbox.Root() / "MyScheme.vcs";
    QStringList folders;
    commands->chooseSchemeFile = [&](bool, const QString& folder) {
        folders.append(folder);
        return QString::fromStdString(file.string());
    };
    window->DemoList().SaveSchemeAction()->trigger();
    QVERIFY(fs::exists(file));
    window->PlayList().LoadSchemeAction()->trigger();
    const core::ColumnScheme loaded = window->PlayList().Columns();
    QCOMPARE(loaded.widths, chosen.widths);
    QCOMPARE(loaded.order, chosen.order);
    // The first dialog opens in the working folder, later ones in the data directory.
    QCOMPARE(folders, (QStringList{QString(), QString::fromStdString(core::Settings.paths.dataDirectory)}));

    // The configuration file keeps the same layout for the play list.
    QVERIFY(window->WriteConfiguration());
    const std::string config = sandbox.ReadConfig();
    const size_t section = config.find("[Play List]");
    QVERIFY(section != std::string::npos);
    const std::string key = "Column25_Width=" + std::to_string(loaded.widths[25]);
    QVERIFY(config.find(key, section) != std::string::npos);
    const std::string order = "Column25_Order=" + std::to_string(loaded.order[25]);
    QVERIFY(config.find(order, section) != std::string::npos);
}

void ColumnChooserTest::damagedSchemesChangeNothing()
{
    Sandbox sandbox;
    auto window = sandbox.Start(false);
    QVERIFY(window);
    gui::PlayListPane& list = window->PlayList();
    const core::ColumnScheme before = list.Columns();
    std::string good;
    for (int i = 0; i < 26; ++i)
        good += "50," + std::to_string(25 - i) + "\r\n";

    const fs::path folder = sandbox.Root();
    std::ofstream(folder / "short.vcs", std::ios::binary) << good.substr(0, good.size() / 2);
    std::ofstream(folder / "twice.vcs", std::ios::binary) << "50,0\r\n" + good.substr(good.find('\n') + 1);
    std::ofstream(folder / "words.vcs", std::ios::binary) << "fifty,25\r\n" + good.substr(good.find('\n') + 1);
    fs::create_directory(folder / "folder.vcs");
    testsupport::RecordingSink sink;
    for (const char* name : {"short.vcs", "twice.vcs", "words.vcs", "folder.vcs", "missing.vcs"}) {
        QVERIFY(!gui::LoadColumnScheme(list, QString::fromStdString((folder / name).string())));
        QCOMPARE(sink.shown.back().title, std::string("VMR Load File Error"));
        QVERIFY(sink.shown.back().text.find((folder / name).string()) != std::string::npos);
        QCOMPARE(list.Columns().widths, before.widths);
        QCOMPARE(list.Columns().order, before.order);
    }
    std::ofstream(folder / "good.vcs", std::ios::binary) << good;
    QVERIFY(gui::LoadColumnScheme(list, QString::fromStdString((folder / "good.vcs").string())));
    QCOMPARE(list.Columns().order[0], 25);
    QCOMPARE(list.Columns().widths[3], 50);

    // A scheme that cannot be written is said so.
    QVERIFY(!gui::SaveColumnScheme(list, QString::fromStdString((folder / "none" / "x.vcs").string())));
    QCOMPARE(sink.shown.back().title, std::string("VMR: File Save Error"));
}

VELMORA_GUI_TEST(ColumnChooserTest)
#include "ColumnChooserTest.moc"
