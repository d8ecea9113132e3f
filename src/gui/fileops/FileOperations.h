#pragma once
// The main window's changes to the demo collection on disk: deleting (into the trash) and renaming demos, moving
// demos by dragging them onto a folder of the tree, creating, removing and renaming folders, and
// the enabling rules that the read-only working mode and the folder's drive add to them.
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <string>

#include "core/library/FileOps.h"
#include "gui/fileops/InPlaceEditor.h"

class QKeyEvent;
class QMimeData;

namespace core {
struct FolderNode;
}

namespace gui {

class PaneHost;

class FileOperations : public QObject {
    Q_OBJECT
public:
    explicit FileOperations(PaneHost& window);

    // "Delete.." (Del): asks, then moves the selected demos' files to the desktop's trash and
    // removes their rows. Where a file system has no trash, the user is told and asked whether to
    // delete the rest permanently. `permanently` (Shift+Del) asks its own question and deletes
    // without the trash.
    void DeleteSelected(bool permanently = false);
    // Starts the in-place editing of the selected demo's name, when the rules allow it.
    void StartDemoRename();
    // The in-place editing of row `row` ended with `typed`.
    void RenameDemoRow(int row, const QString& typed);
    // "Rename to the DeFRaG convention...": shows the selected demos' new names, and renames those
    // that can be on "Rename", never replacing a file.
    void RenameSelectedToDefragConvention();

    // Whether demos dragged from the demo list may drop onto the node.
    bool MayMoveOnto(const core::FolderNode* node) const;
    // Moves the demo list's selected demos into the node's folder.
    void MoveSelectedOnto(core::FolderNode& node);

    void NewFolder();
    void RemoveFolderFromTree();
    void RemoveFolderFromDisk();
    // Starts the in-place editing of the selected node's text, when the rules allow it.
    void StartFolderRename();
    void RenameFolderNode(core::FolderNode& node, const QString& typed);
    // The in-place editing of a folder is allowed: not on a CD-ROM, not in read-only mode.
    bool MayRenameFolderInPlace(const core::FolderNode* node) const;

    // The open in-place editor, if any (for the window's tests).
    InPlaceEditor* Editor() const { return m_editor && !m_editor->IsFinished() ? m_editor.data() : nullptr; }
    // What the drive of a folder allows; replaceable so that tests can stand in for a CD-ROM.
    std::function<core::DriveState(const std::string& folder)> driveState;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool FromDemoList(const QMimeData* data) const;
    core::FolderNode* NodeAt(const QPoint& viewportPos) const;
    void UpdateLocations(const std::string& oldPath, const std::string& newPath);
    void StartClickEdit(bool tree);
    // A key of a command that read-only mode disables: the status bar says why nothing happens.
    bool ToldReadOnly(QObject* watched, const QKeyEvent& key);

    PaneHost& m_window;
    QPointer<InPlaceEditor> m_editor;
    QTimer m_clickTimer;
    bool m_clickOnTree = false;
};

} // namespace gui
