#pragma once
// How the demo library's long operations show themselves in the main window: status panel texts,
// the wait cursor and the busy indicator, the colour of the listed folder's node, and handling
// pending events (repaints, Escape, refused clicks) while they run.
#include <QElapsedTimer>

#include "core/library/LibraryFeedback.h"

namespace gui {

class StatusPanels;
class FolderTreePane;
class DemoListPane;

class WindowFeedback : public core::LibraryFeedback {
public:
    WindowFeedback(StatusPanels& status, FolderTreePane& tree, DemoListPane& demoList);

    void ShowFolderPath(const std::string& path) override;
    void ShowParsing(const std::string& path) override;
    void ShowSummary(const std::string& text) override;
    void SetWaitCursor(bool on) override;
    void ColourSelectedFolder(uint32_t colour) override;
    void KeepAlive() override;
    void ShowError(const std::string& text, const std::string& title) override;

    // The longest time between two event handlings during the operations so far, in ms.
    qint64 LongestGapMs() const { return m_longestGap; }
    void ResetGapMeasurement();

private:
    StatusPanels& m_status;
    FolderTreePane& m_tree;
    DemoListPane& m_demoList;
    QElapsedTimer m_sinceEvents;
    qint64 m_longestGap = 0;
    int m_waitDepth = 0;
};

} // namespace gui
