// The Events tab on real widgets: markers where their times lie, filters, zoom and the range
// chosen by dragging; in the properties window of a built duel, a double-click plays the demo cut
// to start the setting's seconds before the moment, "Save clip..." writes the range, and the
// player description shows the player's figures.
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QWheelEvent>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/demo/DemoDecoder.h"
#include "core/events/DemoEvents.h"
#include "core/library/FolderTreeOps.h"
#include "core/settings/Settings.h"
#include "gui/app/MainWindow.h"
#include "gui/details/ColouredText.h"
#include "gui/details/DemoDetails.h"
#include "gui/details/EventTimeline.h"
#include "gui/details/EventsTab.h"
#include "gui/details/PlayerWindow.h"
#include "gui/details/PropertiesWindow.h"
#include "gui/lists/DemoListPane.h"
#include "gui/tree/FolderTreePane.h"
#include "platform/GameProcess.h"
#include "support/DemoBuilder.h"
#include "support/EventDemoModel.h"
#include "support/Recorder.h"
#include "support/gui/GuiTestSupport.h"

using namespace guitest;
namespace fs = std::filesystem;
using core::DemoEvent;
using core::EventKind;

namespace {

DemoEvent Event(EventKind kind, int64_t time, int player, int team, core::Weapon weapon = core::Weapon::None)
{
    DemoEvent e;
    e.kind = kind;
    e.demoTime = time;
    e.player = player;
    e.playerName = "P" + std::to_string(player);
    e.playerTeam = team;
    e.weapon = weapon;
    if (kind == EventKind::Frag) {
        e.other = player + 1;
        e.otherName = "P" + std::to_string(player + 1);
    }
    return e;
}

core::DemoEventsResult TwoMinutes(int protocol)
{
    core::DemoEventsResult result;
    result.protocol = protocol;
    result.found = true;
    result.length = 120000;
    result.events = {Event(EventKind::Frag, 30000, 1, core::kTeamRed, core::Weapon::Railgun),
                     Event(EventKind::FlagCaptured, 60000, 2, core::kTeamBlue),
                     Event(EventKind::Chat, 90000, 3, core::kTeamFree),
                     Event(EventKind::Frag, 100000, 3, core::kTeamBlue, core::Weapon::RocketLauncher)};
    return result;
}

std::vector<uint8_t> ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

int FirstShownRow(QTableWidget& table)
{
    for (int row = 0; row < table.rowCount(); ++row)
        if (!table.isRowHidden(row))
            return row;
    return -1;
}

// The first snapshot's server time of a demo file.
int32_t FirstServerTime(const fs::path& path)
{
    const std::vector<uint8_t> bytes = ReadAll(path);
    const core::DecodedDemo demo = core::DecodeDemo(bytes, 68);
    for (const core::DemoMessage& m : demo.messages)
        if (m.snapshot)
            return m.snapshot->serverTime;
    return -1;
}

} // namespace

class EventsTest : public QObject {
    Q_OBJECT
private slots:
    void markersFiltersZoomAndRange();
    void playFromHereClipsAndFigures();
    void problemsAreToldInTheUsersWords();
};

void EventsTest::markersFiltersZoomAndRange()
{
    gui::EventsTab tab;
    tab.resize(612, 400);
    tab.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tab));
    tab.Show(TwoMinutes(68));
    gui::EventTimeline& line = tab.Timeline();
    line.setFixedWidth(612); // a strip of 600 pixels between its margins of 6

    // Markers at their times: a quarter of the way, half way; the frag's marker in red.
    QCOMPARE(line.XOfTime(0), 6);
    QCOMPARE(line.XOfTime(30000), 156);
    QCOMPARE(line.XOfTime(60000), 306);
    QCOMPARE(line.XOfTime(120000), 606);
    QCOMPARE(line.TimeOfX(156), 30000);
    const QImage strip = line.grab().toImage();
    QCOMPARE(strip.pixelColor(156, line.height() - 10), QColor(230, 50, 50));
    QVERIFY(strip.pixelColor(170, line.height() - 10) != QColor(230, 50, 50));

    // The table lists every event; the filters narrow it and the strip with it.
    QTableWidget& table = tab.Table();
    QCOMPARE(table.rowCount(), 4);
    QCOMPARE(table.item(0, 0)->text(), QStringLiteral("0:30"));
    QCOMPARE(table.item(0, 4)->text(), QStringLiteral("Railgun"));
    tab.KindFilter().setCurrentIndex(tab.KindFilter().findText(QStringLiteral("Frag")));
    QVERIFY(!table.isRowHidden(0) && table.isRowHidden(1) && table.isRowHidden(2) && !table.isRowHidden(3));
    tab.WeaponFilter().setCurrentIndex(tab.WeaponFilter().findText(QStringLiteral("Rocket Launcher")));
    QCOMPARE(FirstShownRow(table), 3);
    QVERIFY(line.grab().toImage().pixelColor(156, line.height() - 10) != QColor(230, 50, 50));
    tab.KindFilter().setCurrentIndex(0);
    tab.WeaponFilter().setCurrentIndex(0);
    tab.PlayerFilter().setCurrentIndex(tab.PlayerFilter().findText(QStringLiteral("P3")));
    QVERIFY(table.isRowHidden(0) && !table.isRowHidden(2) && !table.isRowHidden(3));
    tab.PlayerFilter().setCurrentIndex(0);

    // Selecting a row puts the cursor on its time.
    table.selectRow(1);
    QCOMPARE(line.CursorTime(), 60000);

    // The wheel zooms around the mouse: the time under it stays there.
    const QPoint at(306, 30);
    QWheelEvent wheel(at, line.mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&line, &wheel);
    QCOMPARE(line.Zoom(), 2.0);
    QCOMPARE(line.TimeOfX(306), 60000);
    QCOMPARE(line.XOfTime(30000), 6);
    line.ZoomAt(1000.0, 306); // kept at the limit
    QCOMPARE(line.Zoom(), gui::EventTimeline::kMaxZoom);
    line.ZoomAt(1e-6, 306);
    QCOMPARE(line.Zoom(), 1.0);

    // A drag chooses a range; "Save clip..." follows it, for a protocol that can be cut.
    QVERIFY(!tab.SaveClipButton().isEnabled());
    QTest::mousePress(&line, Qt::LeftButton, Qt::NoModifier, QPoint(156, 30));
    QTest::mouseMove(&line, QPoint(306, 30));
    QTest::mouseRelease(&line, Qt::LeftButton, Qt::NoModifier, QPoint(306, 30));
    QVERIFY(line.Selection().has_value());
    QCOMPARE(line.Selection()->first, 30000);
    QCOMPARE(line.Selection()->second, 60000);
    QVERIFY(tab.SaveClipButton().isEnabled());
    // A press and release 2 pixels apart is a click, which drops the range; 3 pixels make a drag.
    QTest::mousePress(&line, Qt::LeftButton, Qt::NoModifier, QPoint(400, 30));
    QTest::mouseMove(&line, QPoint(402, 30));
    QTest::mouseRelease(&line, Qt::LeftButton, Qt::NoModifier, QPoint(402, 30));
    QVERIFY(!line.Selection().has_value());
    QTest::mousePress(&line, Qt::LeftButton, Qt::NoModifier, QPoint(400, 30));
    QTest::mouseMove(&line, QPoint(403, 30));
    QTest::mouseRelease(&line, Qt::LeftButton, Qt::NoModifier, QPoint(403, 30));
    QVERIFY(line.Selection().has_value());
    QTest::mouseClick(&line, Qt::LeftButton, Qt::NoModifier, QPoint(400, 30));
    QVERIFY(!line.Selection().has_value());
    QVERIFY(!tab.SaveClipButton().isEnabled());
    // Quake Live demos are cut in their own protocol; a protocol the program cannot read gives no
    // clips even with a range.
    tab.Show(TwoMinutes(91));
    line.SetSelection(1000, 2000);
    QVERIFY(tab.SaveClipButton().isEnabled());
    tab.Show(TwoMinutes(47));
    line.SetSelection(1000, 2000);
    QVERIFY(!tab.SaveClipButton().isEnabled());
}

void EventsTest::playFromHereClipsAndFigures()
{
    Sandbox sandbox;
    testsupport::RecordingSink messages;
    // An ioquake3-family program that notes its start and ends at once.
    const fs::path engine = sandbox.Game() / "ioquake3";
    std::ofstream(engine) << "#!/bin/sh\ntouch started.txt\n";
    fs::permissions(engine, fs::perms::owner_all);
    const fs::path folder = sandbox.Game() / "duels";
    fs::create_directories(folder);
    testsupport::WriteBytes((folder / "duel.dm_68").string(), testsupport::EncodeDemo(testsupport::DuelModel()));
    sandbox.WriteConfig("[Global]\r\nbase_folder=baseoa\r\n");
    auto window = sandbox.Start();
    QVERIFY(window);
    core::FolderNode* node = core::FindNodeByPath(window->TreePane().Tree(), folder.string());
    QVERIFY(node);
    window->TreePane().SelectNode(node);
    gui::DemoListPane& demos = window->DemoList();
    demos.SelectRows({0}, false);
    demos.PropertiesAction()->trigger();
    gui::PropertiesWindow* prop = window->findChild<gui::DemoDetails*>()->Properties();
    QVERIFY(prop);
    gui::EventsTab& events = prop->Events();
    QTRY_VERIFY(!events.Loading());
    QVERIFY(messages.shown.empty());
    QCOMPARE(events.Table().rowCount(), 4);
    QCOMPARE(events.Result().length, 20000);

    // Double-click the second frag (demo time 10000): the cut starts 5 s before it.
    prop->Tabs().setCurrentWidget(&events);
    QVERIFY(prop->PlayButton().isEnabled());
    const fs::path temp = fs::path(core::Settings.game.demoDirectory) / "vmrtmp00.dm_68";
    const QRect cell = events.Table().visualItemRect(events.Table().item(1, 0));
    // An item view takes a double-click on the item the press before it chose.
    QTest::mouseClick(events.Table().viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(events.Table().viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QVERIFY2(fs::exists(temp), messages.shown.empty() ? "" : messages.shown[0].text.c_str());
    QCOMPARE(FirstServerTime(temp), 10000 + 10000 - 5000);
    QTRY_VERIFY(fs::exists(sandbox.Game() / "started.txt"));
    QTRY_COMPARE(platform::Game().ChildPid(), -1);

    // On the timeline, with a lead of 2 s: the moment under the mouse less 2 s.
    core::Settings.play_from_seconds = 2;
    gui::EventTimeline& line = events.Timeline();
    const int x = line.XOfTime(15000);
    const int64_t moment = line.TimeOfX(x);
    QTest::mouseDClick(&line, Qt::LeftButton, Qt::NoModifier, QPoint(x, 30));
    // The cut starts at the first snapshot at or after the start: snapshots lie 50 ms apart.
    const int32_t first = FirstServerTime(temp);
    QVERIFY(first >= 10000 + moment - 2000 && first < 10000 + moment - 2000 + 50);
    QTRY_COMPARE(platform::Game().ChildPid(), -1);

    // A course line plays from its time: "Demo start." from the first snapshot.
    QListWidget& course = prop->CourseList();
    prop->Tabs().setCurrentWidget(&course);
    QVERIFY(course.count() > 0);
    QVERIFY(course.item(0)->data(gui::RawTextRole).toByteArray().startsWith("^400:00:00"));
    const QRect lineRect = course.visualItemRect(course.item(0));
    QTest::mouseClick(course.viewport(), Qt::LeftButton, Qt::NoModifier, lineRect.center());
    QTest::mouseDClick(course.viewport(), Qt::LeftButton, Qt::NoModifier, lineRect.center());
    QCOMPARE(FirstServerTime(temp), 10000);
    QTRY_COMPARE(platform::Game().ChildPid(), -1);
    prop->Tabs().setCurrentWidget(&events);

    // "Save clip..." asks for the folder and writes the range there.
    line.SetSelection(4000, 11000);
    QString offered;
    const fs::path clips = sandbox.Root() / "my clips";
    prop->askClipFolder = [&](const QString& preset) -> std::optional<QString> {
        offered = preset;
        return QString::fromStdString(clips.string());
    };
    QVERIFY(events.SaveClipButton().isEnabled());
    QTest::mouseClick(&events.SaveClipButton(), Qt::LeftButton);
    QCOMPARE(offered.toStdString(), (fs::path(core::Settings.paths.dataDirectory) / "Clips").string());
    QVERIFY(fs::is_directory(offered.toStdString())); // made for the chooser, which needs it there
    QCOMPARE(prop->LastClip(), clips / "duel-00.04-00.11.dm_68");
    const std::vector<uint8_t> clip = ReadAll(prop->LastClip());
    const auto clipEvents = core::DemoEvents(core::DecodeDemo(clip, 68));
    QCOMPARE(clipEvents.size(), size_t(2)); // the frags at demo times 5000 and 10000
    QCOMPARE(core::Settings.clip_folder, clips.string());
    // The clips' folder is in the tree now, listed with the clip in it.
    QVERIFY(core::FindNodeByPath(window->TreePane().Tree(), clips.string()));
    QCOMPARE(window->CurrentFolder(), clips.string());
    QCOMPARE(Names(window->DemoList()), QStringList{QStringLiteral("duel-00.04-00.11.dm_68")});
    QVERIFY(messages.shown.empty());

    // A stretch the demo breaks off in (here the file lost its last tenth since it was opened):
    // the clip holds what there is, and the user is told why it ends early.
    std::vector<uint8_t> cut = ReadAll(folder / "duel.dm_68");
    cut.resize(cut.size() * 9 / 10);
    testsupport::WriteBytes((folder / "duel.dm_68").string(), cut);
    line.SetSelection(4000, 19000);
    QTest::mouseClick(&events.SaveClipButton(), Qt::LeftButton);
    QCOMPARE(prop->LastClip(), clips / "duel-00.04-00.19.dm_68");
    QCOMPARE(messages.shown.size(), size_t(1));
    QCOMPARE(messages.shown[0].title, std::string("Save clip"));
    QVERIFY2(messages.shown[0].text.find("duel-00.04-00.19.dm_68 ends early: the demo breaks off at byte ") !=
                 std::string::npos,
             messages.shown[0].text.c_str());
    messages.shown.clear();

    // The player description shows Alice's figures from the events.
    prop->OpenPlayer(0);
    gui::PlayerWindow* player = prop->ShownPlayerWindow();
    QVERIFY(player);
    QCOMPARE(player->Value(QStringLiteral("Frags:")), QStringLiteral("4"));
    QCOMPARE(player->Value(QStringLiteral("Longest spree:")), QStringLiteral("4"));
    QCOMPARE(player->Value(QStringLiteral("By weapon:")), QStringLiteral("Railgun 4"));
    QVERIFY(messages.shown.empty());
}

void EventsTest::problemsAreToldInTheUsersWords()
{
    struct Case {
        bool found;
        core::DecodeError error;
        int messages;
        const char* says;
    };
    const Case cases[] = {
        {false, core::DecodeError::None, 0, "could not be read"},
        {true, core::DecodeError::UnknownProtocol, 0, "this kind of demo"},
        {true, core::DecodeError::CutOff, 0, "breaks off before its first message"},
        {true, core::DecodeError::CutOff, 40, "breaks off at 1:05"},
        {true, core::DecodeError::BadAreaMask, 0, "damaged at its start"},
        {true, core::DecodeError::BadAreaMask, 40, "damaged after 1:05"},
        {true, core::DecodeError::EntitiesOutOfOrder, 40, "damaged after 1:05"},
    };
    for (const Case& c : cases) {
        core::DemoEventsResult result;
        result.found = c.found;
        result.error = c.error;
        result.messages = c.messages;
        result.length = 65'000;
        result.problem = c.found ? std::string(core::DecodeErrorText(c.error)) : "cannot be read";
        const QString text = gui::EventsProblemText(result);
        QVERIFY2(text.contains(QString::fromLatin1(c.says)), qPrintable(text));
        // Never the reader's own words.
        QVERIFY2(!text.contains(QString::fromStdString(result.problem)), qPrintable(text));
    }
    QVERIFY(gui::EventsProblemText(core::DemoEventsResult{}).isEmpty());
}

VELMORA_GUI_TEST(EventsTest)
#include "EventsTest.moc"
