#pragma once
// The status bar's three panels: the current folder (as wide as the tree pane), the demo list's
// texts with the listing's progress bar (as wide as the demo list), the play list's texts.
#include <QStatusBar>

class QLabel;
class QProgressBar;

namespace gui {

class PanelSlot;

class StatusPanels : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusPanels(QWidget* parent = nullptr);

    // Panel 1: a folder path, shortened in the middle to fit.
    void SetFolderPath(const QString& path);
    // Panel 2; with `prefix`, only the rest is shortened ("Parsing " + path).
    void SetListText(const QString& text, const QString& prefix = {});
    void SetPlayListText(const QString& text);
    QString FolderPath() const { return m_folderPath; }
    QString ListText() const { return m_listPrefix + m_listText; }
    QString PlayListText() const;

    // Panel 1 as wide as `first`, panel 2 as wide as `second`, or, with kToEdge, over the rest of
    // the bar (panel 3 then gives way). These are wishes: the panels never make the bar, and
    // with it the window, wider than it is.
    static constexpr int kToEdge = -1;
    void SetPanelWidths(int first, int second);
    // The listing's busy indicator inside panel 2.
    void SetBusy(bool busy);
    bool Busy() const;
    // The library index's progress and state, at the bar's right end; hidden while empty.
    void SetIndexText(const QString& text);
    QString IndexText() const;
    // Paints the panels now, for long operations that do not return to the event loop.
    void PaintNow();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Elide();

    QLabel* m_folder = nullptr;
    QLabel* m_list = nullptr;
    QLabel* m_play = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_index = nullptr;
    PanelSlot* m_first = nullptr;
    PanelSlot* m_second = nullptr;
    QString m_folderPath;
    QString m_listText;
    QString m_listPrefix;
    bool m_secondToEdge = false;
};

} // namespace gui
