// "Export video..." on real widgets: the dialog's choices, a refusal before anything starts, and
// (with the engine, its data, Xvfb and ffmpeg installed) a frag selected on the Events tab filmed
// to a 320x240 MP4 with sound while the main window keeps answering.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/library/FolderTreeOps.h"
#include "core/settings/Settings.h"
#include "gui/app/MainWindow.h"
#include "gui/details/DemoDetails.h"
#include "gui/details/EventsTab.h"
#include "gui/details/PropertiesWindow.h"
#include "gui/lists/DemoListPane.h"
#include "gui/tree/FolderTreePane.h"
#include "gui/video/VideoExportDialog.h"
#include "gui/video/VideoExportWindow.h"
#include "platform/GameProcess.h"
#include "support/DemoBuilder.h"
#include "support/EventDemoModel.h"
#include "support/Recorder.h"
#include "support/gui/GuiTestSupport.h"

using namespace guitest;
namespace fs = std::filesystem;

namespace {

// Answers the next modal dialog "Export video" with `fill`, then presses its Export button.
void AnswerExportDialog(const std::function<void(gui::VideoExportDialog&)>& fill)
{
    QTimer::singleShot(0, [fill] {
        auto* dialog = qobject_cast<gui::VideoExportDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        fill(*dialog);
        dialog->accept();
    });
}

} // namespace

class VideoExportTest : public QObject {
    Q_OBJECT
private slots:
    void dialogChoices();
    void frameFromTheEventsTab();
};

void VideoExportTest::dialogChoices()
{
    core::VideoSettings start;
    start.fps = 60;
    gui::VideoExportDialog dialog(QStringLiteral("/v/Videos/duel.mp4"), start);
    QStringList sizes;
    for (int i = 0; i < dialog.SizeBox().count(); ++i)
        sizes << dialog.SizeBox().itemText(i);
    for (const char* size : {"320 x 240", "640 x 480", "1024 x 768", "1280 x 720", "1920 x 1080", "2048 x 1536"})
        QVERIFY2(sizes.contains(QString::fromLatin1(size)), size);
    QCOMPARE(dialog.SizeBox().currentText(), QStringLiteral("1280 x 720"));
    QCOMPARE(dialog.FpsBox().currentData().toInt(), 60);
    QVERIFY(dialog.SoundBox().isChecked());
    QVERIFY(!dialog.ShowWindowBox().isChecked());

    // The format carries the name's extension along, and a chosen name its format.
    dialog.FormatBox().setCurrentIndex(1);
    QCOMPARE(dialog.OutputPath(), QStringLiteral("/v/Videos/duel.webm"));
    dialog.askPath = [](const QString& current) {
        return current == QStringLiteral("/v/Videos/duel.webm") ? QStringLiteral("/elsewhere/rail.MP4") : QString();
    };
    QTest::mouseClick(&dialog.BrowseButton(), Qt::LeftButton);
    QCOMPARE(dialog.OutputPath(), QStringLiteral("/elsewhere/rail.mp4"));
    QCOMPARE(dialog.FormatBox().currentIndex(), 0);

    dialog.SizeBox().setCurrentText(QStringLiteral("640 x 480"));
    dialog.SoundBox().setChecked(false);
    dialog.QualityBox().setCurrentIndex(0);
    dialog.ShowWindowBox().setChecked(true);
    const core::VideoSettings chosen = dialog.Settings();
    QCOMPARE(chosen.width, 640);
    QCOMPARE(chosen.height, 480);
    QCOMPARE(chosen.fps, 60);
    QCOMPARE(chosen.format, core::VideoFormat::Mp4);
    QCOMPARE(chosen.quality, core::VideoQuality::High);
    QVERIFY(!chosen.sound);
    QVERIFY(chosen.showWindow);
}

void VideoExportTest::frameFromTheEventsTab()
{
    Sandbox sandbox;
    testsupport::RecordingSink messages;
    const fs::path demo = fs::path(VELMORA_CORPUS_DIR) / "modern" / "ffa-oa_dm2-ioquake3.dm_68";
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    const bool engine = fs::exists("/usr/lib/ioquake3/ioquake3") && fs::exists(demo) &&
                        platform::FindProgramInPath("Xvfb", path) && platform::FindProgramInPath("ffprobe", path);
    if (engine)
        QCOMPARE(std::system(("'" + std::string(VELMORA_SOURCE_DIR) + "/scripts/prepare-test-engine.sh' '" +
                              sandbox.Game().string() + "' > /dev/null")
                                 .c_str()),
                 0);
    const fs::path folder = sandbox.Game() / "mine";
    fs::create_directories(folder);
    if (engine)
        fs::copy_file(demo, folder / demo.filename());
    else
        testsupport::WriteBytes((folder / "duel.dm_68").string(), testsupport::EncodeDemo(testsupport::DuelModel()));
    sandbox.WriteConfig("[Global]\r\nbase_folder=baseoa\r\nq3a_dir=" + sandbox.Game().string() + "\r\n");
    auto window = sandbox.Start();
    QVERIFY(window);
    core::FolderNode* node = core::FindNodeByPath(window->TreePane().Tree(), folder.string());
    QVERIFY(node);
    window->TreePane().SelectNode(node);
    gui::DemoListPane& demos = window->DemoList();
    demos.SelectRows({0}, false);
    QVERIFY(demos.ExportVideoAction()->isEnabled());
    demos.PropertiesAction()->trigger();
    gui::PropertiesWindow* prop = window->findChild<gui::DemoDetails*>()->Properties();
    QVERIFY(prop);
    gui::EventsTab& events = prop->Events();
    QTRY_VERIFY(!events.Loading());
    prop->Tabs().setCurrentWidget(&events);
    QVERIFY(!events.ExportVideoButton().isEnabled());
    // A frag selected in the table: the seconds around it.
    int frag = -1;
    for (int row = 0; row < events.Table().rowCount() && frag < 0; ++row)
        if (events.EventOfRow(row).kind == core::EventKind::Frag && events.EventOfRow(row).demoTime > 6000)
            frag = row;
    QVERIFY(frag >= 0);
    events.Table().selectRow(frag);
    QVERIFY(events.ExportVideoButton().isEnabled());
    const int64_t moment = events.EventOfRow(frag).demoTime;

    if (!engine) {
        // Without the engine's map (or ffmpeg) the export is refused before anything starts.
        AnswerExportDialog([](gui::VideoExportDialog&) {});
        QTest::mouseClick(&events.ExportVideoButton(), Qt::LeftButton);
        QTRY_COMPARE(messages.shown.size(), size_t(1));
        QCOMPARE(messages.shown[0].title, std::string("Export video"));
        QVERIFY(!prop->findChild<gui::VideoExportWindow*>());
        QSKIP("ioquake3 with the OpenArena data, Xvfb, ffmpeg or the real demos are not installed");
    }

    QString offered;
    AnswerExportDialog([&offered](gui::VideoExportDialog& dialog) {
        offered = dialog.OutputPath();
        dialog.SizeBox().setCurrentText(QStringLiteral("320 x 240"));
    });
    QTest::mouseClick(&events.ExportVideoButton(), Qt::LeftButton);
    QVERIFY2(messages.shown.empty(), messages.shown.empty() ? "" : messages.shown[0].text.c_str());
    const fs::path videos = fs::path(core::Settings.paths.dataDirectory) / "Videos";
    QVERIFY(offered.startsWith(QString::fromStdString(videos.string() + "/ffa-oa_dm2-ioquake3-00.")));
    QVERIFY(offered.endsWith(QStringLiteral(".mp4")));
    gui::VideoExportWindow* exporting = prop->findChild<gui::VideoExportWindow*>();
    QVERIFY(exporting);
    QVERIFY(exporting->Running());
    // The main window answers while the game films.
    QTRY_VERIFY_WITH_TIMEOUT(exporting->Progress().value() > 0, 60000);
    demos.SelectRows({0}, false);
    QVERIFY(window->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!exporting->Running(), 120000);
    QVERIFY2(exporting->Result().ok, exporting->Result().problem.c_str());
    QVERIFY(exporting->PlayButton().isVisible());
    const fs::path video = exporting->Result().output;
    QCOMPARE(QString::fromStdString(video.string()), offered);
    QVERIFY(fs::exists(video));
    // Eight seconds around the frag, unless it lies near the demo's start.
    QVERIFY(std::abs(exporting->Result().frames - 8 * 30) <= 3 || moment < 5000);
    QList<QUrl> opened;
    exporting->openUrl = [&opened](const QUrl& url) { opened << url; };
    QTest::mouseClick(&exporting->PlayButton(), Qt::LeftButton);
    QTest::mouseClick(&exporting->OpenFolderButton(), Qt::LeftButton);
    QCOMPARE(opened, (QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(video.string())),
                                  QUrl::fromLocalFile(QString::fromStdString(videos.string()))}));
    // Only the video in the folder.
    QCOMPARE(std::distance(fs::directory_iterator(videos), fs::directory_iterator()), 1);
}

VELMORA_GUI_TEST(VideoExportTest)

#include "VideoExportTest.moc"
