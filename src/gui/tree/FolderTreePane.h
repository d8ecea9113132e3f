#pragma once
// The folder tree pane (TreeView1): the folders the user looks for demos in. Selecting a node
// asks the window to list it; the context menu builds, rescans, prunes and styles the tree; roots
// are added with a folder chooser or by dropping a folder from the file manager.
#include <QTreeView>

#include <functional>

#include "core/library/LibraryFeedback.h"
#include "gui/common/PaletteColours.h"
#include "gui/tree/FolderTreeModel.h"

class QAction;
class QActionGroup;

namespace gui {

struct TreeOptions {
    QColor background = ColourFromStored(10813437);
    bool bigIcons = false;
    bool autoScroll = true;
    core::FolderColours colours;
};

class FolderTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit FolderTreeView(QWidget* parent = nullptr);
    // While a long operation runs the selection stays where it is.
    std::function<bool()> selectionLocked;

signals:
    // A mouse press on the node that is already selected (it may need listing again).
    void pressedOnSelected(const QModelIndex& index);

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index, const QEvent* event) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

class FolderTreePane : public QWidget {
    Q_OBJECT
public:
    explicit FolderTreePane(QWidget* parent = nullptr);

    FolderTreeModel& Model() { return m_model; }
    core::FolderTree& Tree() { return m_model.Tree(); }
    FolderTreeView& View() { return *m_view; }

    void SetFeedback(core::LibraryFeedback* feedback) { m_feedback = feedback; }
    // Puts a widget under the tree (the virtual folder of search results).
    void AddBelowTree(QWidget* widget);
    void SetGameDirectory(const std::string& path);
    void ApplyOptions(const TreeOptions& options);
    TreeOptions Options() const;
    const core::FolderColours& Colours() const { return m_colours; }

    // Adds a root for the folder (one trailing separator removed), builds its branch from the
    // disk and selects it, which lists it.
    void AddRoot(const QString& folder);
    // Selects the node (or nothing) as start-up does, and shows it.
    void SelectNode(core::FolderNode* node);
    // Selection-independent commands of the context menu.
    void RescanBranch();
    void CutNonDemoFolders();
    void SetAllExpanded(bool expanded);
    void SetBigIcons(bool big);
    void SetAutoScroll(bool on);
    void SetBackground(const QColor& colour);
    // "Include Demos.." and "Not Include Demos..": recolour the nodes and store the colour at once.
    void ChooseDemoFolderColour();
    void ChooseNonDemoFolderColour();
    // The path a drop from the file manager adds; empty when the drop is refused.
    static QString DroppedFolder(const QMimeData* data);
    // Gets the read-only mode for the enabling rules of the folder commands.
    void SetReadOnlyMode(bool on);

    // Asks for a colour; an invalid colour means the user cancelled. Replaceable for tests.
    std::function<QColor(const QColor& initial, const QString& title)> chooseColour;
    // Asks for a folder; empty means cancelled. Replaceable for tests.
    std::function<QString(const QString& title)> chooseFolder;
    // Stores one colour of section "Virtual Folders" in the configuration file at once.
    std::function<void(const char* key, uint32_t colour)> storeColour;

    QAction* NewFolderAction() const { return m_newFolder; }
    QAction* RemoveFolderAction() const { return m_removeFolder; }
    QAction* RemoveFromDiskAction() const { return m_removeFromDisk; }
    QAction* RenameFolderAction() const { return m_renameFolder; }
    QAction* AddPathAction() const { return m_addPath; }

signals:
    // A node became selected, or the selected node was clicked again: the window decides whether
    // it is listed.
    void nodeChosen(core::FolderNode* node);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* AddKeyedAction(const QString& text, const QKeySequence& key);
    void OnViewSelectionChanged();
    void OnCoreSelectionChanged(core::FolderNode* node);
    void OnTreeReloaded();
    void ShowCoreSelection();
    void ApplyExpandedStates(const QModelIndex& parent);
    void UpdateCommands();
    void ShowContextMenu(const QPoint& pos);
    void RecolourNodes(uint32_t from, uint32_t to);

    FolderTreeModel m_model;
    FolderTreeView* m_view = nullptr;
    core::LibraryFeedback* m_feedback = nullptr;
    core::LibraryFeedback m_silentFeedback;
    core::FolderColours m_colours;
    QColor m_background;
    bool m_bigIcons = false;
    bool m_readOnly = true;
    bool m_syncing = false;
    bool m_selectionPending = false;

    QAction* m_newFolder = nullptr;
    QAction* m_removeFolder = nullptr;
    QAction* m_removeFromDisk = nullptr;
    QAction* m_renameFolder = nullptr;
    QAction* m_addPath = nullptr;
    QAction* m_rescan = nullptr;
    QAction* m_cut = nullptr;
    QAction* m_collapse = nullptr;
    QAction* m_expand = nullptr;
    QAction* m_backgroundAction = nullptr;
    QAction* m_demoColour = nullptr;
    QAction* m_nonDemoColour = nullptr;
    QAction* m_autoScroll = nullptr;
    QAction* m_big = nullptr;
    QAction* m_small = nullptr;
};

} // namespace gui
