#pragma once
// The demo list (ListView1): the demos of the current folder as the scanner found them. It shows
// the listing summary or the selection sums in the second status panel, mouse-over texts for the
// user data cells, opens web links, and hands its selection to the play list by drag and drop.
#include <QCursor>

#include "gui/lists/ListPane.h"

namespace gui {

class DemoListPane : public ListPane {
    Q_OBJECT
public:
    explicit DemoListPane(QWidget* parent = nullptr);

    // The text of the last folder listing; shown while nothing is selected.
    void SetSummary(const QString& text);
    const QString& Summary() const { return m_summary; }
    // The last text this list put into the second panel (summary or selection text).
    const QString& ShownText() const { return m_shownText; }
    void SetReadOnlyMode(bool on);

    // Every selected row may go into the play list (no demo without mod information, no protocol 46).
    bool SelectionMayEnterPlayList() const;
    // What the rules allow for the current selection.
    bool CanPlay() const;

    // The commands of the list; those of other parts of the program are connected by them.
    QAction* PlayAction() const { return m_play; }
    QAction* MoveToPlayListAction() const { return m_moveToPlayList; }
    // "Export video...": connected by the video commands.
    QAction* ExportVideoAction() const { return m_exportVideo; }
    QAction* DeleteAction() const { return m_delete; }
    QAction* DeletePermanentlyAction() const { return m_deletePermanently; }
    QAction* RenameAction() const { return m_rename; }
    // "Rename to the DeFRaG convention...": for the selected demos of the DeFRaG mod.
    QAction* DefragRenameAction() const { return m_defragRename; }
    QAction* EditUserDataAction() const { return m_editUserData; }
    QAction* SameWebLocationAction() const { return m_sameWeb; }
    QAction* ClearUserDataAction() const { return m_clearUserData; }
    QAction* PropertiesAction() const { return m_properties; }
    QAction* ReparseAction() const { return m_reparse; }

    // A web text is a link when it starts, in any case, with one of the usual URL schemes.
    static bool IsWebLink(const QString& text);

    // Whether a busy operation or an open properties window blocks clicks on user data cells.
    std::function<bool()> clicksBlocked;

signals:
    void statusText(const QString& text);
    // The play list's rows were dropped here: they are to be removed from the play list.
    void playListRowsDropped();
    // A click on a "POV", "Rating", "Web" or "Description" cell that is not a web link, at a
    // point of the screen; `columnWidth` is the clicked column's width.
    void userDataCellClicked(int row, int column, const QPoint& globalPos, int columnWidth);
    void commandsChanged();

protected:
    bool AcceptsDrop(const QMimeData* data, const QPoint& viewportPos) override;
    void Drop(const QMimeData* data, const QPoint& viewportPos) override;
    void MouseMovedOver(const QPoint& viewportPos) override;
    void MouseLeft() override;
    void LeftClicked(const QPoint& viewportPos, QMouseEvent* event) override;
    void ContextMenuAt(const QPoint& globalPos) override;
    void Activated(int row) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateCommands();
    void ShowSelectionText();
    void Show(const QString& text, bool remember);
    QModelIndex UserDataCellAt(const QPoint& viewportPos) const;

    QString m_summary;
    QString m_shownText;
    bool m_readOnly = true;
    bool m_overUserData = false;
    QCursor m_linkCursor;

    QAction* m_play = nullptr;
    QAction* m_moveToPlayList = nullptr;
    QAction* m_delete = nullptr;
    QAction* m_deletePermanently = nullptr;
    QAction* m_rename = nullptr;
    QAction* m_defragRename = nullptr;
    QAction* m_editUserData = nullptr;
    QAction* m_sameWeb = nullptr;
    QAction* m_clearUserData = nullptr;
    QAction* m_properties = nullptr;
    QAction* m_exportVideo = nullptr;
    QAction* m_reparse = nullptr;
};

} // namespace gui
