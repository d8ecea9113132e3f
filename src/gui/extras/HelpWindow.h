#pragma once
// The program's help: HTML pages built into the program, one per window, shown in a tool window
// with links between them. "Help" and F1 open it, and close it again while it is open; like the
// other tool windows it exists at most once, stays above the window it was opened from, closes on
// Escape and gives the keyboard back to that window when it closes.
#include <QPointer>
#include <QUrl>

#include "gui/common/ToolWindow.h"

class QTextBrowser;
class QToolButton;

namespace gui {

class HelpWindow : public ToolWindow {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Velmora Help";

    explicit HelpWindow(QWidget* parent = nullptr);

    // Opens the help at `page` (a file name of the help, "index.html" when empty), or closes the
    // help window when one is open; `window` keeps the open one.
    static void Toggle(QPointer<HelpWindow>& window, QWidget* parent, const QString& page = {});
    // Opens the help at `page`, or shows that page in the help window already open.
    static void Open(QPointer<HelpWindow>& window, QWidget* parent, const QString& page);
    // The page that tells about the window of that object name; empty for windows without one.
    static QString PageFor(const QString& windowObjectName);
    // Shows a page of the help ("properties.html", or with an anchor "main-window.html#tree").
    void ShowPage(const QString& page);

    QTextBrowser& Browser() { return *m_browser; }
    // The help's pages, in the order of its contents.
    static QStringList Pages();
    static QUrl PageUrl(const QString& page);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTextBrowser* m_browser = nullptr;
    QToolButton* m_back = nullptr;
    QToolButton* m_forward = nullptr;
};

} // namespace gui
