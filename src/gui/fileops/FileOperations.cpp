#include "gui/fileops/FileOperations.h"

#include <QApplication>
#include <QDir>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QStandardPaths>

#include <filesystem>

#include "core/library/FolderTreeOps.h"
#include "core/settings/Settings.h"
#include "gui/common/BusyScope.h"
#include "gui/common/MessageSink.h"
#include "gui/common/PaneHost.h"
#include "gui/common/StatusPanels.h"
#include "gui/fileops/DefragRenameDialog.h"
#include "gui/fileops/InPlaceEditor.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/PlayListPane.h"
#include "gui/tree/FolderTreePane.h"

namespace gui {
namespace {

constexpr const char* kNotToTrashText = "They do not go to the trash and cannot be restored.";
constexpr const char* kDeletePermanentlyTitle = "Really Delete Demo Files Permanently ?";
constexpr const char* kNoTrashText = "There is no trash for";
constexpr const char* kNoTrashTitle = "No Trash";
constexpr const char* kReadOnlyNotice = "Read-only mode: switch it off to rename or delete";
constexpr int kNoticeMs = 5000;

// Qt 6.4 moves a file into "files" and "info" folders of the working directory when the user's
// trash folder cannot be made (and says it succeeded): the trash is only used when its folder
// is there or can be made. A file on another file system goes to that file system's own trash, or
// fails when it has none.
bool MoveToTrash(const std::string& path)
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty() || !QDir().mkpath(dataHome + QStringLiteral("/Trash")))
        return false;
    return QFile::moveToTrash(PathText(path));
}

bool ReadOnly()
{
    return core::Settings.work_readonly;
}

// The folder a node stands for and the folder it lies in ("/" for a root right below it).
std::string ParentFolderOf(const core::FolderNode& node)
{
    std::string parent = core::NodeParentPath(node);
    const std::string path = core::NodePath(node);
    if ((parent.empty() || parent == path) && !path.empty() && path.front() == '/' && path != "/")
        parent = "/";
    return parent;
}

bool IsArchived(const ListRow& row)
{
    return row.sourceKind >= 1 && row.sourceKind <= 3;
}

// Restores the cursor however the operation ends.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

FileOperations::FileOperations(PaneHost& window) : QObject(&window), m_window(window)
{
    setObjectName(QStringLiteral("FileOperations"));
    driveState = [](const std::string& folder) { return core::DriveStateOf(folder); };

    DemoListPane& demos = window.DemoList();
    FolderTreePane& tree = window.TreePane();
    connect(demos.DeleteAction(), &QAction::triggered, this, [this] { DeleteSelected(false); });
    connect(demos.DeletePermanentlyAction(), &QAction::triggered, this, [this] { DeleteSelected(true); });
    connect(demos.RenameAction(), &QAction::triggered, this, &FileOperations::StartDemoRename);
    connect(demos.DefragRenameAction(), &QAction::triggered, this, &FileOperations::RenameSelectedToDefragConvention);
    connect(tree.NewFolderAction(), &QAction::triggered, this, &FileOperations::NewFolder);
    connect(tree.RemoveFolderAction(), &QAction::triggered, this, &FileOperations::RemoveFolderFromTree);
    connect(tree.RemoveFromDiskAction(), &QAction::triggered, this, &FileOperations::RemoveFolderFromDisk);
    connect(tree.RenameFolderAction(), &QAction::triggered, this, &FileOperations::StartFolderRename);

    // Installed after the panes' own filters, so these see the events first.
    tree.View().viewport()->installEventFilter(this);
    demos.DetailsPart().viewport()->installEventFilter(this);
    demos.IconsPart().viewport()->installEventFilter(this);
    // The keys of the commands that read-only mode disables reach the views themselves.
    for (QWidget* view : {static_cast<QWidget*>(&tree.View()), static_cast<QWidget*>(&demos.DetailsPart()),
                          static_cast<QWidget*>(&demos.IconsPart())})
        view->installEventFilter(this);

    // A click on the selected item's name starts editing it unless a double click follows.
    m_clickTimer.setSingleShot(true);
    m_clickTimer.setInterval(QApplication::doubleClickInterval());
    connect(&m_clickTimer, &QTimer::timeout, this, [this] {
        if (m_clickOnTree)
            StartFolderRename();
        else
            StartDemoRename();
    });
}

void FileOperations::DeleteSelected(bool permanently)
{
    DemoListPane& demos = m_window.DemoList();
    // Shift+Del inside the name editor belongs to the editor.
    if (!demos.DeleteAction()->isEnabled() || ReadOnly() || Editor())
        return;
    const std::vector<int> selected = demos.SelectedRows();
    if (selected.empty())
        return;
    std::string question = "Really delete the " + std::to_string(selected.size()) + " selected file(s) from" + "\r\n" +
                           m_window.CurrentFolder() + " ?";
    if (permanently)
        question += std::string("\r\n") + kNotToTrashText;
    if (!gui::Messages().Question(question, permanently ? kDeletePermanentlyTitle : core::kDeleteDemosTitle))
        return;
    BusyCursor busy;
    bool toTrash = !permanently;
    for (std::vector<int> rows = demos.SelectedRows(); !rows.empty(); rows = demos.SelectedRows()) {
        const ListRow& row = demos.Model().Row(rows.front());
        // Members of archives name no file of their own; their rows only leave the list.
        uint64_t bytes = 0;
        if (!IsArchived(row)) {
            const std::string path = core::JoinPath(row.info[core::FieldLocation], row.info[core::FieldDemoname]);
            std::error_code error;
            bytes = std::filesystem::file_size(path, error);
            if (error)
                bytes = 0;
            if (toTrash && !MoveToTrash(path) && std::filesystem::exists(path, error)) {
                // No trash on that file system (or none that may be written): the user decides
                // once for the rest; No keeps them, still selected.
                const std::string noTrash = std::string(kNoTrashText) + "\r\n" + row.info[core::FieldLocation] +
                                            "\r\n" + "Delete the " + std::to_string(rows.size()) +
                                            " remaining file(s) permanently ?";
                if (!gui::Messages().Question(noTrash, kNoTrashTitle))
                    return;
                toTrash = false;
            }
            if (!toTrash)
                core::DeleteDemoFile(path);
        }
        demos.Model().RemoveRowNumbers({rows.front()});
        m_window.DemoLeftListing(bytes);
    }
}

void FileOperations::StartDemoRename()
{
    DemoListPane& demos = m_window.DemoList();
    const std::vector<int> rows = demos.SelectedRows();
    if (rows.size() != 1 || ReadOnly() || Editor())
        return;
    const ListRow& row = demos.Model().Row(rows.front());
    if (IsArchived(row))
        return;
    QAbstractItemView& view = demos.CurrentView();
    const QModelIndex index = demos.Model().index(rows.front(), core::FieldDemoname);
    view.scrollTo(index);
    QRect rect = view.visualRect(index);
    for (int column = 0; rect.isEmpty() && column < core::DemoFieldCount; ++column) {
        // "Demoname" is hidden: the editor goes over the row's first shown cell.
        rect = view.visualRect(index.siblingAtColumn(column));
        rect.setWidth(std::max(rect.width(), 160));
    }
    const std::string location = row.info[core::FieldLocation];
    const std::string name = row.info[core::FieldDemoname];
    m_editor = new InPlaceEditor(
        view, rect, PathText(name), demos.DeleteAction(), [this, location, name](const QString& typed) {
            // The row is looked up again: the list may have been sorted while the name was edited.
            const auto& all = m_window.DemoList().Model().Rows();
            for (size_t i = 0; i < all.size(); ++i)
                if (all[i].info[core::FieldLocation] == location && all[i].info[core::FieldDemoname] == name) {
                    RenameDemoRow(static_cast<int>(i), typed);
                    return;
                }
        });
}

void FileOperations::RenameDemoRow(int row, const QString& typed)
{
    DemoListModel& model = m_window.DemoList().Model();
    if (row < 0 || row >= model.rowCount() || ReadOnly() || IsArchived(model.Row(row)))
        return;
    core::DemoInfo info = model.Row(row).info;
    const core::DemoRenameResult result = core::RenameDemo(info[core::FieldLocation], info[core::FieldDemoname],
                                                           PathBytes(typed), info[core::FieldProtocol]);
    if (!result.renamed) {
        gui::Messages().Error(core::kRenameDeniedText, core::kRenameDeniedTitle);
        return;
    }
    info[core::FieldDemoname] = result.name;
    model.SetRowInfo(row, info);
}

void FileOperations::RenameSelectedToDefragConvention()
{
    DemoListPane& demos = m_window.DemoList();
    if (ReadOnly() || Editor())
        return;
    std::vector<int> rows = demos.SelectedRows();
    std::vector<core::DemoInfo> infos;
    for (const int row : rows)
        infos.push_back(demos.Model().Row(row).info);
    if (infos.empty())
        return;
    // Every file counts, listed or not (and a dangling link too): none is ever replaced.
    const std::vector<core::DefragRename> plan =
        core::PlanDefragRenames(infos, [](const std::string& folder, const std::string& name) {
            std::error_code error;
            return std::filesystem::symlink_status(core::JoinPath(folder, name), error).type() !=
                   std::filesystem::file_type::not_found;
        });
    if (plan.empty()) {
        gui::Messages().Information("The selected demos are named by the DeFRaG convention already.",
                                    "Rename to the DeFRaG convention");
        return;
    }
    DefragRenameDialog dialog(plan, demos.window());
    if (dialog.exec() != QDialog::Accepted)
        return;
    BusyCursor busy;
    std::string failed;
    for (const core::DefragRename& rename : plan) {
        if (!rename.problem.empty())
            continue;
        const auto at = std::find_if(rows.begin(), rows.end(), [&](int row) {
            return demos.Model().Row(row).info[core::FieldDemoname] == rename.oldName;
        });
        if (at == rows.end())
            continue;
        core::DemoInfo info = demos.Model().Row(*at).info;
        const core::DemoRenameResult result =
            core::RenameDemo(info[core::FieldLocation], rename.oldName, rename.newName, info[core::FieldProtocol]);
        if (!result.renamed) {
            failed += "\r\n" + rename.oldName;
            continue;
        }
        info[core::FieldDemoname] = result.name;
        demos.Model().SetRowInfo(*at, info);
    }
    if (!failed.empty())
        gui::Messages().Error(std::string(core::kRenameDeniedText) + ":" + failed, core::kRenameDeniedTitle);
}

bool FileOperations::FromDemoList(const QMimeData* data) const
{
    return ListPane::DraggedList(data) == m_window.DemoList().Model().ListName();
}

core::FolderNode* FileOperations::NodeAt(const QPoint& viewportPos) const
{
    return FolderTreeModel::NodeOf(m_window.TreePane().View().indexAt(viewportPos));
}

bool FileOperations::MayMoveOnto(const core::FolderNode* node) const
{
    if (ReadOnly() || !node || node == m_window.TreePane().Tree().Selected())
        return false;
    DemoListPane& demos = m_window.DemoList();
    for (const int row : demos.SelectedRows())
        if (IsArchived(demos.Model().Row(row)))
            return false;
    return driveState(core::NodePath(*node)).kind != platform::DriveKind::CdRom;
}

void FileOperations::MoveSelectedOnto(core::FolderNode& node)
{
    if (!MayMoveOnto(&node))
        return;
    DemoListPane& demos = m_window.DemoList();
    FolderTreePane& tree = m_window.TreePane();
    const std::string target = core::NodePath(node);
    core::MoveProgress progress;
    bool completed = false;
    {
        BusyCursor busy;
        QAbstractItemView& view = demos.CurrentView();
        view.setUpdatesEnabled(false);
        int current = -1;
        std::string movedName;
        const auto next = [&](core::MoveItem& item) {
            const std::vector<int> rows = demos.SelectedRows();
            if (rows.empty())
                return false;
            current = rows.front();
            const core::DemoInfo& info = demos.Model().Row(current).info;
            item = {info[core::FieldLocation], info[core::FieldDemoname]};
            movedName = info[core::FieldDemoname];
            return true;
        };
        const auto moved = [&] {
            demos.Model().RemoveRowNumbers({current});
            std::error_code error;
            const auto bytes = std::filesystem::file_size(core::JoinPath(target, movedName), error);
            m_window.DemoLeftListing(error ? 0 : static_cast<uint64_t>(bytes));
        };
        // An existing target is asked about; on Yes the moves go on replacing it, a target that
        // cannot be deleted is reported and asked about again.
        bool replace = false;
        for (;;) {
            const auto result = core::MoveDemos(next, moved, target, progress, replace);
            completed = result.ok();
            replace = false;
            if (completed)
                break;
            if (result.code() == core::MoveError::TargetExists) {
                if (!gui::Messages().Question(result.text(), core::kOverwriteTitle))
                    break;
                replace = true;
            } else if (result.code() == core::MoveError::TargetNotDeleted) {
                gui::Messages().Error(result.text(), core::kTargetNotDeletedTitle);
            } else {
                gui::Messages().Error(result.text(), core::kMoveErrorTitle);
                break;
            }
        }
        view.setUpdatesEnabled(true);
    }
    if (!completed)
        return;
    if (core::FolderNode* listed = tree.Tree().Selected(); listed && demos.Model().rowCount() == 0)
        tree.Tree().SetColour(*listed, tree.Colours().nonDemoFolder);
    if (progress.lastMoveSucceeded)
        tree.Tree().SetColour(node, tree.Colours().demoFolder);
}

void FileOperations::NewFolder()
{
    FolderTreePane& tree = m_window.TreePane();
    core::FolderNode* selected = tree.Tree().Selected();
    if (!selected || ReadOnly() || !tree.NewFolderAction()->isEnabled())
        return;
    const std::string name = core::CreateNewFolder(core::NodePath(*selected), core::Settings.q3a_dir);
    if (name.empty())
        return;
    core::FolderNode* child = nullptr;
    tree.Model().Change([&] {
        child = &tree.Tree().AddChild(*selected, name, tree.Colours().nonDemoFolder);
        tree.Tree().SetExpanded(*selected, true);
    });
    tree.SelectNode(child);
    StartFolderRename();
}

void FileOperations::RemoveFolderFromTree()
{
    FolderTreePane& tree = m_window.TreePane();
    core::FolderNode* selected = tree.Tree().Selected();
    if (!selected || Editor())
        return;
    tree.Model().Change([&] { tree.Tree().Remove(*selected); });
}

void FileOperations::RemoveFolderFromDisk()
{
    FolderTreePane& tree = m_window.TreePane();
    core::FolderNode* selected = tree.Tree().Selected();
    if (!selected || ReadOnly() || !selected->children.empty() || !tree.RemoveFromDiskAction()->isEnabled())
        return;
    const std::string path = core::NodePath(*selected);
    if (!gui::Messages().Question("Really delete " + path + " ?" + "\r\n" + "The folder must be empty!",
                                  core::kDeleteFolderTitle))
        return;
    // Only an empty folder goes, as the question says; it goes to the trash where there is one.
    std::error_code error;
    bool removed =
        std::filesystem::is_directory(path, error) && std::filesystem::is_empty(path, error) && MoveToTrash(path);
    if (!removed && std::filesystem::is_directory(path, error) && std::filesystem::is_empty(path, error) &&
        gui::Messages().Question(std::string(kNoTrashText) + "\r\n" + path + "\r\n" + "Delete it permanently ?",
                                 kNoTrashTitle))
        removed = core::RemoveEmptyFolder(path);
    if (!removed) {
        m_window.Status().SetFolderPath(QStringLiteral("Error removing folder ") + PathText(path));
        return;
    }
    tree.Model().Change([&] { tree.Tree().Remove(*selected); });
    m_window.Status().SetFolderPath(PathText(path) + QStringLiteral(" successfull removed"));
}

bool FileOperations::MayRenameFolderInPlace(const core::FolderNode* node) const
{
    return node && !ReadOnly() && driveState(core::NodePath(*node)).kind != platform::DriveKind::CdRom;
}

void FileOperations::StartFolderRename()
{
    FolderTreePane& tree = m_window.TreePane();
    core::FolderNode* node = tree.Tree().Selected();
    if (!MayRenameFolderInPlace(node) || Editor() || gui::BusyCount > 0)
        return;
    const QModelIndex index = tree.Model().IndexOf(node);
    tree.View().scrollTo(index);
    const QRect rect = tree.View().visualRect(index);
    const std::string path = core::NodePath(*node);
    m_editor = new InPlaceEditor(
        tree.View(), rect, PathText(node->text), tree.RemoveFolderAction(), [this, path](const QString& typed) {
            // The node is found again by its path: the tree may have changed.
            if (core::FolderNode* same = core::FindNodeByPath(m_window.TreePane().Tree(), path))
                RenameFolderNode(*same, typed);
        });
}

void FileOperations::RenameFolderNode(core::FolderNode& node, const QString& typed)
{
    if (!MayRenameFolderInPlace(&node))
        return;
    const std::string oldPath = core::NodePath(node);
    const core::FolderRenameResult result =
        core::RenameFolder(oldPath, ParentFolderOf(node), node.parent == nullptr, PathBytes(typed));
    if (!result.renamed) {
        gui::Messages().Information(core::kFolderRenameDeniedText, core::kFolderRenameDeniedTitle);
        return;
    }
    FolderTreePane& tree = m_window.TreePane();
    tree.Model().Change([&] {
        node.text = result.nodeText;
        // The new name takes its place among the others, as after a scan of the branch.
        if (node.parent)
            tree.Tree().SortAmongSiblings(node);
    });
    UpdateLocations(oldPath, result.newPath);
    if (tree.Tree().Selected() == &node)
        m_window.Status().SetFolderPath(PathText(result.newPath));
}

void FileOperations::UpdateLocations(const std::string& oldPath, const std::string& newPath)
{
    // Plain demos of the folder and archives in it carry the folder in their "Location"; demos
    // further down come along too, and so do the play list's copies, which would otherwise name
    // files that are gone.
    for (ListPane* pane :
         {static_cast<ListPane*>(&m_window.DemoList()), static_cast<ListPane*>(&m_window.PlayList())}) {
        DemoListModel& model = pane->Model();
        for (int row = 0; row < model.rowCount(); ++row) {
            const std::string& location = model.Row(row).info[core::FieldLocation];
            if (location != oldPath && location.rfind(oldPath + "/", 0) != 0)
                continue;
            core::DemoInfo info = model.Row(row).info;
            info[core::FieldLocation] = newPath + location.substr(oldPath.size());
            model.SetRowInfo(row, info);
        }
    }
}

bool FileOperations::ToldReadOnly(QObject* watched, const QKeyEvent& key)
{
    if (!ReadOnly())
        return false;
    const QKeySequence pressed(key.keyCombination());
    FolderTreePane& tree = m_window.TreePane();
    DemoListPane& demos = m_window.DemoList();
    // Only the keys of commands that change the disk: the tree's Del takes a folder out of the
    // tree and works in both modes.
    std::vector<QAction*> commands;
    if (watched == &tree.View())
        commands = {tree.RenameFolderAction(), tree.RemoveFromDiskAction()};
    else
        commands = {demos.RenameAction(), demos.DeleteAction(), demos.DeletePermanentlyAction()};
    for (QAction* command : commands)
        if (command->shortcut() == pressed && !command->isEnabled()) {
            m_window.Status().showMessage(QString::fromLatin1(kReadOnlyNotice), kNoticeMs);
            return true;
        }
    return false;
}

void FileOperations::StartClickEdit(bool tree)
{
    m_clickOnTree = tree;
    m_clickTimer.start();
}

bool FileOperations::eventFilter(QObject* watched, QEvent* event)
{
    FolderTreePane& tree = m_window.TreePane();
    DemoListPane& demos = m_window.DemoList();
    const bool onTree = watched == tree.View().viewport();
    switch (event->type()) {
    case QEvent::KeyPress:
        return ToldReadOnly(watched, *static_cast<QKeyEvent*>(event));
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!onTree || !FromDemoList(drag->mimeData()))
            return false;
        // Entering is taken whenever moving is possible at all, so that every position is asked.
        const bool ok =
            event->type() == QEvent::DragEnter ? !ReadOnly() : MayMoveOnto(NodeAt(drag->position().toPoint()));
        if (ok) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!onTree || !FromDemoList(drop->mimeData()))
            return false;
        core::FolderNode* node = NodeAt(drop->position().toPoint());
        if (!MayMoveOnto(node)) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        MoveSelectedOnto(*node);
        return true;
    }
    case QEvent::MouseButtonPress: {
        m_clickTimer.stop();
        auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() != Qt::LeftButton || press->modifiers() != Qt::NoModifier)
            return false;
        const QPoint pos = press->position().toPoint();
        if (onTree) {
            core::FolderNode* node = NodeAt(pos);
            if (node && node == tree.Tree().Selected() && MayRenameFolderInPlace(node))
                StartClickEdit(true);
            return false;
        }
        const bool details = watched == demos.DetailsPart().viewport();
        QAbstractItemView& view = details ? static_cast<QAbstractItemView&>(demos.DetailsPart())
                                          : static_cast<QAbstractItemView&>(demos.IconsPart());
        const QModelIndex index = view.indexAt(pos);
        const std::vector<int> selected = demos.SelectedRows();
        if (index.isValid() && (!details || index.column() == core::FieldDemoname) && selected.size() == 1 &&
            selected.front() == index.row() && demos.RenameAction()->isEnabled())
            StartClickEdit(false);
        return false;
    }
    case QEvent::MouseButtonDblClick:
    case QEvent::DragLeave:
        m_clickTimer.stop();
        return false;
    case QEvent::MouseMove:
        if (static_cast<QMouseEvent*>(event)->buttons() != Qt::NoButton)
            m_clickTimer.stop(); // a drag, not a click
        return false;
    default:
        return false;
    }
}

} // namespace gui
