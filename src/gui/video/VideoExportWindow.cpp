#include "gui/video/VideoExportWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>

#include "core/settings/Settings.h"
#include "core/video/VideoChoices.h"
#include "gui/common/MessageSink.h"
#include "gui/video/VideoExportDialog.h"

namespace gui {
namespace {

QString PathText(const std::string& path)
{
    return QFile::decodeName(path.c_str());
}

// The choices of the last export in this run: the next one starts from them.
core::VideoSettings& LastSettings()
{
    static core::VideoSettings settings;
    return settings;
}

} // namespace

VideoExportWindow::VideoExportWindow(core::CapturePlan plan, QWidget* parent)
    : QWidget(parent, Qt::Window), m_plan(std::move(plan))
{
    setObjectName(QStringLiteral("VideoExportWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromLatin1(core::kVideoTitle) + QStringLiteral(" - ") +
                   QFileInfo(PathText(m_plan.output)).fileName());
    auto* target = new QLabel(QStringLiteral("%1 x %2, %3 frames per second, into\n%4")
                                  .arg(m_plan.settings.width)
                                  .arg(m_plan.settings.height)
                                  .arg(m_plan.settings.fps)
                                  .arg(PathText(m_plan.output)),
                              this);
    target->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, std::max(1, m_plan.expectedFrames));
    m_progress->setValue(0);
    m_stop = new QPushButton(QStringLiteral("&Stop"), this);
    m_openFolder = new QPushButton(QStringLiteral("Open &folder"), this);
    m_play = new QPushButton(QStringLiteral("&Play"), this);
    m_close = new QPushButton(QStringLiteral("&Close"), this);
    for (QPushButton* button : {m_openFolder, m_play, m_close})
        button->hide();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {m_openFolder, m_play, m_stop, m_close})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(target);
    layout->addWidget(m_progress);
    layout->addWidget(m_status);
    layout->addLayout(buttons);
    resize(480, sizeHint().height());

    openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    connect(m_stop, &QPushButton::clicked, this, [this] {
        m_stop->setEnabled(false);
        m_status->setText(QStringLiteral("Stopping..."));
        m_worker.request_stop();
    });
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_openFolder, &QPushButton::clicked, this,
            [this] { openUrl(QUrl::fromLocalFile(QFileInfo(PathText(m_result.output)).absolutePath())); });
    connect(m_play, &QPushButton::clicked, this, [this] { openUrl(QUrl::fromLocalFile(PathText(m_result.output))); });
}

VideoExportWindow::~VideoExportWindow()
{
    // The capture ends the game and removes its files before the thread returns.
    m_worker.request_stop();
    if (m_worker.joinable())
        m_worker.join();
}

void VideoExportWindow::Start()
{
    m_running = true;
    m_status->setText(QStringLiteral("Starting the game..."));
    m_worker = std::jthread([this](std::stop_token stop) {
        const core::CaptureResult result =
            core::RunCapture(m_plan, stop, [this](const core::CaptureProgress& progress) {
                QMetaObject::invokeMethod(
                    this, [this, progress] { ShowProgress(progress); }, Qt::QueuedConnection);
            });
        QMetaObject::invokeMethod(
            this, [this, result] { Finish(result); }, Qt::QueuedConnection);
    });
}

void VideoExportWindow::ShowProgress(const core::CaptureProgress& progress)
{
    if (!m_running || !m_stop->isEnabled())
        return;
    m_progress->setRange(0, std::max({1, progress.expectedFrames, progress.frames}));
    m_progress->setValue(progress.frames);
    QString text = QString::fromStdString(core::CaptureProgressText(progress));
    if (progress.stage == core::CaptureProgress::Stage::Capturing && !progress.hidden)
        text += QStringLiteral(" (the game window is shown: leave it be until the capture ends)");
    m_status->setText(text);
}

void VideoExportWindow::Finish(const core::CaptureResult& result)
{
    if (m_worker.joinable())
        m_worker.join();
    m_running = false;
    m_result = result;
    m_stop->hide();
    m_close->show();
    if (result.ok) {
        m_progress->setValue(m_progress->maximum());
        m_status->setText(QStringLiteral("Saved %1\n%2 frames: filmed in %3 s, encoded in %4 s.")
                              .arg(PathText(result.output))
                              .arg(result.frames)
                              .arg(qRound(result.captureSeconds))
                              .arg(qRound(result.encodeSeconds)));
        m_openFolder->show();
        m_play->show();
        m_play->setDefault(true);
    } else if (result.stopped) {
        m_progress->setValue(0);
        m_status->setText(QStringLiteral("Stopped. Nothing was saved."));
    } else {
        m_status->setText(QString::fromStdString(result.problem));
    }
    // The result's lines may need more room than the progress line had.
    adjustSize();
    emit finished();
}

void VideoExportWindow::closeEvent(QCloseEvent* event)
{
    if (m_running) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_worker.request_stop();
        m_worker.join();
        QApplication::restoreOverrideCursor();
        m_running = false;
    }
    event->accept();
}

void ExportVideo(QWidget* parent, const core::DemoInfo& row, const std::string& name, const std::string& archive,
                 std::optional<int64_t> from, std::optional<int64_t> to)
{
    const std::filesystem::path folder =
        std::filesystem::path(core::Settings.paths.dataDirectory) / core::kVideoFolderName;
    const std::string suggested =
        (folder / core::VideoFileName(row[core::FieldDemoname], from, to, LastSettings().format)).string();
    VideoExportDialog dialog(PathText(suggested), LastSettings(), parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const core::VideoSettings settings = dialog.Settings();
    LastSettings() = settings;
    const QString output = dialog.OutputPath();
    if (QFileInfo::exists(output) &&
        QMessageBox::question(parent, QString::fromLatin1(core::kVideoTitle),
                              QStringLiteral("%1 exists already. Replace it?").arg(output)) != QMessageBox::Yes)
        return;

    core::VideoSource source = core::VideoSourceOf(row, name, archive);
    source.from = from;
    source.to = to;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    core::PlanResult planned = core::PlanCapture(source, QFile::encodeName(output).toStdString(), settings,
                                                 core::CaptureGameFor(core::Settings), core::CurrentCaptureSystem());
    QApplication::restoreOverrideCursor();
    if (!planned.plan) {
        gui::Messages().Error(planned.problem, core::kVideoTitle);
        return;
    }
    auto* window = new VideoExportWindow(std::move(*planned.plan), parent);
    window->show();
    window->Start();
}

} // namespace gui
