#include "gui/app/WindowFeedback.h"

#include <QApplication>
#include <QCursor>

#include "gui/common/MessageSink.h"
#include "gui/common/StatusPanels.h"
#include "gui/lists/DemoListPane.h"
#include "gui/tree/FolderTreePane.h"

namespace gui {
namespace {

// Pending events are handled at most this often; more often only costs time.
constexpr qint64 kEventInterval = 8;

} // namespace

WindowFeedback::WindowFeedback(StatusPanels& status, FolderTreePane& tree, DemoListPane& demoList)
    : m_status(status), m_tree(tree), m_demoList(demoList)
{
    m_sinceEvents.start();
}

void WindowFeedback::ShowFolderPath(const std::string& path)
{
    m_status.SetFolderPath(PathText(path));
    m_status.PaintNow();
}

void WindowFeedback::ShowParsing(const std::string& path)
{
    m_status.SetListText(PathText(path), QStringLiteral("Parsing "));
    // The status text is where a listing of unread demos lets the window breathe.
    KeepAlive();
}

void WindowFeedback::ShowSummary(const std::string& text)
{
    m_demoList.SetSummary(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

void WindowFeedback::SetWaitCursor(bool on)
{
    if (on) {
        if (m_waitDepth++ == 0) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            m_status.SetBusy(true);
            m_sinceEvents.restart();
        }
    } else if (m_waitDepth > 0 && --m_waitDepth == 0) {
        QApplication::restoreOverrideCursor();
        m_status.SetBusy(false);
    }
}

void WindowFeedback::ColourSelectedFolder(uint32_t colour)
{
    if (core::FolderNode* node = m_tree.Tree().Selected())
        m_tree.Tree().SetColour(*node, colour);
}

void WindowFeedback::KeepAlive()
{
    const qint64 elapsed = m_sinceEvents.elapsed();
    if (elapsed < kEventInterval)
        return;
    m_longestGap = std::max(m_longestGap, elapsed);
    QApplication::processEvents(QEventLoop::AllEvents);
    m_sinceEvents.restart();
}

void WindowFeedback::ResetGapMeasurement()
{
    m_longestGap = 0;
    m_sinceEvents.restart();
}

void WindowFeedback::ShowError(const std::string& text, const std::string& title)
{
    gui::Messages().Error(text, title);
}

} // namespace gui
