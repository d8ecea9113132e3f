#pragma once
// One video being made: what the capture is doing, frames written of frames expected and the time
// left, Stop; at the end the saved video with "Open folder" and "Play", or why there is none. The
// capture runs on a thread of its own: the main window stays usable meanwhile. Closing the window
// stops a capture still running, as Stop does.
#include <QUrl>
#include <QWidget>

#include <functional>
#include <thread>

#include "core/video/VideoCapture.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace gui {

class VideoExportWindow : public QWidget {
    Q_OBJECT
public:
    explicit VideoExportWindow(core::CapturePlan plan, QWidget* parent = nullptr);
    ~VideoExportWindow() override;

    // Starts the capture (the window shows itself first).
    void Start();
    bool Running() const { return m_running; }
    const core::CaptureResult& Result() const { return m_result; }

    QLabel& Status() { return *m_status; }
    QProgressBar& Progress() { return *m_progress; }
    QPushButton& StopButton() { return *m_stop; }
    QPushButton& OpenFolderButton() { return *m_openFolder; }
    QPushButton& PlayButton() { return *m_play; }

    // Opens a file or folder with the desktop's handler (tests set their own).
    std::function<void(const QUrl&)> openUrl;

signals:
    void finished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowProgress(const core::CaptureProgress& progress);
    void Finish(const core::CaptureResult& result);

    core::CapturePlan m_plan;
    core::CaptureResult m_result;
    bool m_running = false;
    std::jthread m_worker;
    QLabel* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_openFolder = nullptr;
    QPushButton* m_play = nullptr;
    QPushButton* m_close = nullptr;
};

// "Export video..." for a demo (a file, or the member `name` of `archive`) or a range of it: the
// dialog, the checks, then a window that makes the video. `row` is the demo's list row.
void ExportVideo(QWidget* parent, const core::DemoInfo& row, const std::string& name, const std::string& archive,
                 std::optional<int64_t> from = std::nullopt, std::optional<int64_t> to = std::nullopt);

} // namespace gui
