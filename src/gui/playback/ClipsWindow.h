#pragma once
// "Save clips of all results...": the clips written one after the other on a thread of their own,
// so that the main window stays usable, with the clip at hand, a progress bar and Stop; at the end
// the summary of what was written, what failed and why, and whether it was stopped. Closing the
// window stops the work as Stop does.
#include <QWidget>

#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

#include "core/convert/ClipBatch.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace gui {

// "12 clip(s) written into /home/me/clips." then what failed, each with why, and whether the user
// stopped it: the summary the window ends with.
QString ClipsSummaryText(const core::ClipBatchResult& result, size_t total, const std::filesystem::path& folder);

class ClipsWindow : public QWidget {
    Q_OBJECT
public:
    ClipsWindow(std::vector<core::ClipOrder> orders, std::filesystem::path folder, QWidget* parent = nullptr);
    ~ClipsWindow() override;

    // Starts writing (the window shows itself first).
    void Start();
    bool Running() const { return m_running; }
    const core::ClipBatchResult& Result() const { return m_result; }

    QLabel& Status() { return *m_status; }
    QProgressBar& Progress() { return *m_progress; }
    QPushButton& StopButton() { return *m_stop; }
    QPushButton& CloseButton() { return *m_close; }

signals:
    // The clips are done: written, failed or stopped.
    void finished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowProgress(size_t done);
    void Finish(const core::ClipBatchResult& result);

    std::vector<core::ClipOrder> m_orders;
    std::filesystem::path m_folder;
    core::ClipBatchResult m_result;
    bool m_running = false;
    std::jthread m_worker;
    QLabel* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_close = nullptr;
};

} // namespace gui
