// The moments view of the list in the real window, over an index of real demos: a moment search
// lists what a reading of each demo's events finds, sorts by column and gives the demo list back
// as it was; double-click plays from the moment; "Save clips of all results..." writes a clip of
// every row that reads to its end, never over a file that is there, and stops when asked.
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeView>

#include <filesystem>
#include <fstream>

#include "core/common/ColourCodes.h"
#include "core/demo/DemoDecoder.h"
#include "core/events/DemoEventsLoad.h"
#include "core/library/FolderTreeOps.h"
#include "core/settings/Settings.h"
#include "gui/app/MainWindow.h"
#include "gui/common/StatusPanels.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/LibrarySearch.h"
#include "gui/lists/MomentsPane.h"
#include "gui/lists/PlayListPane.h"
#include "gui/lists/SearchBar.h"
#include "gui/playback/ClipOptionsDialog.h"
#include "gui/playback/ClipsWindow.h"
#include "gui/playback/MomentCommands.h"
#include "gui/tree/FolderTreePane.h"
#include "platform/GameProcess.h"
#include "support/Recorder.h"
#include "support/ZipBuilder.h"
#include "support/gui/GuiTestSupport.h"

using namespace guitest;
namespace fs = std::filesystem;

namespace {

// Real demos of three protocols, by name; the 1.29 duel holds ZeRo4's rocket frags.
const char* const kDemos[] = {"modern/duel-1.29.dm_66", "modern/ffa-oa_dm1-ioquake3.dm_71",
                              "modern/ffa-oa_dm2-ioquake3.dm_68", "modern/team-chat-1.32.dm_68"};

fs::path Demos(const Sandbox& sandbox)
{
    return sandbox.Game() / "baseoa" / "demos";
}

std::unique_ptr<gui::MainWindow> StartOnCorpus(Sandbox& sandbox)
{
    for (const char* demo : kDemos)
        fs::copy_file(fs::path(VELMORA_CORPUS_DIR) / demo, Demos(sandbox) / fs::path(demo).filename());
    sandbox.WriteConfig("[Global]\r\nbase_folder=baseoa\r\n");
    auto window = sandbox.Start();
    if (window) {
        window->TreePane().SelectNode(core::FindNodeByPath(window->TreePane().Tree(), Demos(sandbox).string()));
        window->StartIndexing();
        if (!QTest::qWaitFor([&] { return !window->Search().Indexing(); }, 60000))
            return nullptr;
    }
    return window;
}

void Type(gui::MainWindow& window, const QString& text)
{
    window.SearchField().setFocus();
    window.SearchField().clear();
    QTest::keyClicks(&window.SearchField(), text);
    window.SearchField().SearchNow();
}

gui::MomentsPane& Moments(gui::MainWindow& window)
{
    return window.MomentsView();
}

// "demo m:ss" of every row, in the view's order.
QStringList Rows(gui::MomentsPane& pane)
{
    QStringList rows;
    for (int row = 0; row < pane.Model().rowCount(); ++row)
        rows << pane.Model().Text(row, gui::MomentsModel::DemoColumn) + QLatin1Char(' ') +
                    pane.Model().Text(row, gui::MomentsModel::TimeColumn);
    return rows;
}

// The same from each demo's own events: frags (warm-up included) by a player whose name holds
// `by`, with a rocket when `rocket`.
QStringList FragsRead(const Sandbox& sandbox, const std::string& by, bool rocket)
{
    QStringList rows;
    for (const char* demo : kDemos) {
        const std::string name = fs::path(demo).filename().string();
        const core::DemoEventsResult read = core::LoadDemoEvents((Demos(sandbox) / name).string(), "");
        for (const core::DemoEvent& event : read.events) {
            std::string who = core::StripColourCodes(event.playerName);
            std::transform(who.begin(), who.end(), who.begin(), [](unsigned char c) { return std::tolower(c); });
            if (event.kind != core::EventKind::Frag || who.find(by) == std::string::npos ||
                (rocket && event.weapon != core::Weapon::RocketLauncher))
                continue;
            rows << QString::fromStdString(name) + QLatin1Char(' ') + gui::MomentTimeText(event.demoTime);
        }
    }
    return rows;
}

// The demos in a folder; a hidden file (a clip being written) counts too.
size_t FilesIn(const fs::path& folder)
{
    size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        count += name.find(".dm_") != std::string::npos || name.front() == '.';
    }
    return count;
}

gui::ClipsWindow& SaveAll(gui::MainWindow& window, const fs::path& folder)
{
    gui::MomentsPane& pane = Moments(window);
    pane.findChild<gui::MomentCommands*>()->askFolder = [folder](const QString&, const QString&) {
        return std::optional<QString>(QString::fromStdString(folder.string()));
    };
    pane.SaveAllClipsAction()->trigger();
    return *pane.findChild<gui::MomentCommands*>()->ShownClipsWindow();
}

} // namespace

class MomentsTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        if (std::string(VELMORA_CORPUS_DIR).empty())
            QSKIP("no corpus of real demos");
    }
    void listsTheMomentsAndGivesTheDemoListBack();
    void savesAClipOfEveryRowNeverOverAFileAndStops();
    void doubleClickPlaysFromTheMoment();
    void clipOptionsKeepTheMarginsWithin600Seconds();
};

void MomentsTest::listsTheMomentsAndGivesTheDemoListBack()
{
    Sandbox sandbox;
    auto window = StartOnCorpus(sandbox);
    QVERIFY(window);
    const QStringList listed = Names(window->DemoList());
    QCOMPARE(listed.size(), 4);

    Type(*window, QStringLiteral("frag by:zero4 weapon:rocket"));
    gui::MomentsPane& pane = Moments(*window);
    QTRY_VERIFY(pane.isVisible());
    QVERIFY(!window->DemoList().isVisible());
    const QStringList expected = FragsRead(sandbox, "zero4", true);
    QVERIFY(expected.size() >= 2);
    QCOMPARE(Rows(pane), expected); // by demo and time
    // Once the update the click into the bar started is done, without its note.
    QTRY_COMPARE(window->Status().ListText(),
                 QStringLiteral("%1 moment(s) found in the library.").arg(expected.size()));
    QCOMPARE(pane.Model().Text(0, gui::MomentsModel::WhoColumn), QStringLiteral("ZeRo4"));
    QVERIFY(pane.Model().Text(0, gui::MomentsModel::WhatColumn).startsWith(QStringLiteral("frag of fatal1ty with ")));

    // Every frag of one player across the library; a click on the Time header sorts by time, a
    // second click the other way.
    Type(*window, QStringLiteral("frag by:kyonshi"));
    QTRY_COMPARE(Rows(pane), FragsRead(sandbox, "kyonshi", false));
    QVERIFY(pane.Model().rowCount() >= 2);
    QHeaderView* header = pane.View().header();
    const int x = header->sectionViewportPosition(gui::MomentsModel::TimeColumn) + 5;
    for (const bool ascending : {true, false}) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
        QCOMPARE(pane.SortAscending(), ascending);
        for (int row = 1; row < pane.Model().rowCount(); ++row) {
            const int64_t a = pane.Model().MomentAt(row - 1).demoTime, b = pane.Model().MomentAt(row).demoTime;
            QVERIFY(ascending ? a <= b : a >= b);
        }
    }

    // A demo search takes the moments' place; emptying the bar gives the folder's list back.
    Type(*window, QStringLiteral("capture"));
    QTRY_COMPARE(window->Status().ListText(), QStringLiteral("0 moment(s) found in the library."));
    window->SearchField().clear();
    QTRY_VERIFY(window->DemoList().isVisible());
    QVERIFY(!pane.isVisible());
    QCOMPARE(Names(window->DemoList()), listed);
}

void MomentsTest::savesAClipOfEveryRowNeverOverAFileAndStops()
{
    Sandbox sandbox;
    testsupport::RecordingSink messages;
    auto window = StartOnCorpus(sandbox);
    QVERIFY(window);
    Type(*window, QStringLiteral("frag by:zero4"));
    gui::MomentsPane& pane = Moments(*window);
    QTRY_VERIFY2(pane.Model().rowCount() >= 5, qPrintable(window->Status().ListText() + window->Status().IndexText()));
    const size_t rows = static_cast<size_t>(pane.Model().rowCount());

    const fs::path folder = sandbox.Root() / "clips";
    gui::ClipsWindow& clips = SaveAll(*window, folder);
    QTRY_VERIFY_WITH_TIMEOUT(!clips.Running(), 60000);
    QCOMPARE(clips.Result().written, rows);
    QCOMPARE(FilesIn(folder), rows);
    for (const core::ClipOutcome& outcome : clips.Result().outcomes) {
        const core::DemoEventsResult read = core::LoadDemoEvents(outcome.file.string(), "");
        QVERIFY2(read.found && read.problem.empty() && read.messages > 0, outcome.file.c_str());
    }
    QVERIFY2(clips.Status().text().startsWith(QStringLiteral("%1 clip(s) written into ").arg(rows)),
             qPrintable(clips.Status().text()));
    const fs::path first = clips.Result().outcomes.front().file;
    clips.close();
    QTRY_VERIFY(!pane.findChild<gui::MomentCommands*>()->ShownClipsWindow()); // gone once closed

    // Again into the same folder: the same clips are kept, and a file that only has a clip's name
    // stays as it is.
    testsupport::WriteFile(first, std::vector<uint8_t>{'m', 'i', 'n', 'e'});
    gui::ClipsWindow& again = SaveAll(*window, folder);
    QTRY_VERIFY_WITH_TIMEOUT(!again.Running(), 60000);
    QCOMPARE(again.Result().written, size_t(0));
    QCOMPARE(again.Result().kept, rows - 1);
    QVERIFY2(again.Status().text().contains(QStringLiteral("1 failed:\n%1: %1 is there already")
                                                .arg(QString::fromStdString(first.filename().string()))),
             qPrintable(again.Status().text()));
    QCOMPARE(ReadFile(first), std::string("mine"));
    QCOMPARE(FilesIn(folder), rows);
    again.close();
    QTRY_VERIFY(!pane.findChild<gui::MomentCommands*>()->ShownClipsWindow());

    // Stop after the first clip: fewer clips, each whole, and no part of another.
    const fs::path stopped = sandbox.Root() / "stopped";
    gui::ClipsWindow* some = &SaveAll(*window, stopped);
    // Stop once the window shows the first clip done, while the second is being cut.
    connect(&some->Progress(), &QProgressBar::valueChanged, this, [some](int value) {
        if (value == 1)
            QTest::mouseClick(&some->StopButton(), Qt::LeftButton);
    });
    QTRY_VERIFY_WITH_TIMEOUT(!some->Running(), 60000);
    QVERIFY(some->Result().stopped);
    QVERIFY(some->Result().written < rows);
    QCOMPARE(FilesIn(stopped), some->Result().written);
    QVERIFY(some->Status().text().contains(QStringLiteral("Stopped: ")));
    some->close();
    QTRY_VERIFY(!pane.findChild<gui::MomentCommands*>()->ShownClipsWindow());

    // "Add to play list": a clip of each selected moment in the clip folder (the one chosen last),
    // in the play list; the first was there already.
    pane.SelectRows({0, 1});
    pane.AddToPlayListAction()->trigger();
    gui::ClipsWindow* added = pane.findChild<gui::MomentCommands*>()->ShownClipsWindow();
    QVERIFY(added);
    QTRY_VERIFY_WITH_TIMEOUT(!added->Running(), 60000);
    QCOMPARE(added->Result().written + added->Result().kept, size_t(2));
    QStringList clipNames;
    for (const core::ClipOutcome& outcome : added->Result().outcomes) {
        QCOMPARE(outcome.file.parent_path(), stopped);
        clipNames << QString::fromStdString(outcome.file.filename().string());
    }
    QVERIFY(window->PlayListShown());
    QCOMPARE(Names(window->PlayList()), clipNames);
    QVERIFY(messages.shown.empty());
}

void MomentsTest::doubleClickPlaysFromTheMoment()
{
    Sandbox sandbox;
    testsupport::RecordingSink messages;
    // An ioquake3-family program that notes its start and ends at once.
    std::ofstream(sandbox.Game() / "ioquake3") << "#!/bin/sh\ntouch started.txt\n";
    auto window = StartOnCorpus(sandbox);
    QVERIFY(window);
    Type(*window, QStringLiteral("frag by:sarge map:oa_dm2"));
    gui::MomentsPane& pane = Moments(*window);
    QTRY_VERIFY(pane.Model().rowCount() > 0);
    const int row = pane.Model().rowCount() - 1;
    const core::Moment& moment = pane.Model().MomentAt(row);

    core::Settings.play_from_seconds = 2;
    const QPoint cell(8, pane.View().visualRect(pane.Model().index(row, 0)).center().y());
    QTest::mouseClick(pane.View().viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(pane.View().viewport(), Qt::LeftButton, {}, cell);
    const fs::path temp = fs::path(core::Settings.game.demoDirectory) / "vmrtmp00.dm_68";
    QVERIFY2(fs::exists(temp), messages.shown.empty() ? "" : messages.shown[0].text.c_str());
    const core::DemoEventsResult cut = core::LoadDemoEvents(temp.string(), "");
    // The cut starts at the first snapshot 2 s before the moment (snapshots lie 50 ms apart).
    QVERIFY(cut.firstServerTime >= moment.serverTime - 2000 && cut.firstServerTime < moment.serverTime - 2000 + 50);
    QTRY_VERIFY(fs::exists(sandbox.Game() / "started.txt"));
    QTRY_COMPARE(platform::Game().ChildPid(), -1);
}

void MomentsTest::clipOptionsKeepTheMarginsWithin600Seconds()
{
    Sandbox sandbox;
    sandbox.PrepareSettings();
    struct Case {
        const char* typed;
        int kept;
    };
    const Case cases[] = {{"0", 0}, {"1", 1}, {"600", 600}, {"601", 60}, {"-1", 1}};
    for (const Case& c : cases) {
        gui::ClipOptionsDialog dialog;
        QCOMPARE(dialog.AfterBox().value(), core::Settings.clip_after);
        for (QSpinBox* box : {&dialog.PlayFromBox(), &dialog.BeforeBox(), &dialog.AfterBox()}) {
            box->selectAll();
            QTest::keyClicks(box, QString::fromLatin1(c.typed)); // a digit too many is not taken
        }
        QTest::mouseClick(&dialog.OkButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(core::Settings.play_from_seconds, c.kept);
        QCOMPARE(core::Settings.clip_before, c.kept);
        QCOMPARE(core::Settings.clip_after, c.kept);
    }
}

VELMORA_GUI_TEST(MomentsTest)
#include "MomentsTest.moc"
