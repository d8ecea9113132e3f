#include "gui/tree/FolderTreePane.h"

#include <QActionGroup>
#include <QColorDialog>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QUrl>
#include <QVBoxLayout>

#include "core/library/DemoFiles.h"
#include "core/library/FileOps.h"
#include "core/library/FolderTreeOps.h"
#include "gui/common/BusyScope.h"
#include "gui/common/CommandIcons.h"
#include "gui/common/PaneActions.h"
#include "platform/FileSystem.h"

namespace gui {

FolderTreeView::FolderTreeView(QWidget* parent) : QTreeView(parent)
{
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setMouseTracking(true);
}

QItemSelectionModel::SelectionFlags FolderTreeView::selectionCommand(const QModelIndex& index,
                                                                     const QEvent* event) const
{
    if (selectionLocked && selectionLocked())
        return QItemSelectionModel::NoUpdate;
    return QTreeView::selectionCommand(index, event);
}

void FolderTreeView::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex at = indexAt(event->position().toPoint());
    const bool wasSelected = at.isValid() && selectionModel() && selectionModel()->isSelected(at);
    QTreeView::mousePressEvent(event);
    if (wasSelected && (event->button() == Qt::LeftButton || event->button() == Qt::RightButton))
        emit pressedOnSelected(at);
}

void FolderTreeView::mouseMoveEvent(QMouseEvent* event)
{
    FollowMouseFocus(*this);
    QTreeView::mouseMoveEvent(event);
}

void FolderTreeView::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QTreeView::drawRow(painter, option, index);
    // The style draws the selection alike with or without the keyboard: the row that has it gets
    // a frame while the tree has it, so that the keys' effect can be seen.
    if (!hasFocus() || index != currentIndex())
        return;
    const bool selected = selectionModel() && selectionModel()->isSelected(index);
    painter->save();
    painter->setPen(QPen(palette().color(selected ? QPalette::HighlightedText : QPalette::Text), 1, Qt::DotLine));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    painter->restore();
}

FolderTreePane::FolderTreePane(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TreeView1"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new FolderTreeView(this);
    layout->addWidget(m_view);
    m_view->setModel(&m_model);
    m_view->selectionLocked = [] { return gui::BusyCount > 0; };
    m_view->viewport()->installEventFilter(this);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this, &FolderTreePane::ShowContextMenu);
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &FolderTreePane::OnViewSelectionChanged);
    connect(m_view, &FolderTreeView::pressedOnSelected, this, [this](const QModelIndex& index) {
        if (core::FolderNode* node = FolderTreeModel::NodeOf(index); node && node == Tree().Selected())
            emit nodeChosen(node);
    });
    connect(m_view, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (!m_syncing)
            if (core::FolderNode* node = FolderTreeModel::NodeOf(index))
                Tree().SetExpanded(*node, true);
    });
    connect(m_view, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (!m_syncing)
            if (core::FolderNode* node = FolderTreeModel::NodeOf(index))
                Tree().SetExpanded(*node, false);
    });
    connect(&m_model, &FolderTreeModel::expandedChanged, this, [this](const QModelIndex& index, bool expanded) {
        if (m_syncing)
            return;
        m_syncing = true;
        m_view->setExpanded(index, expanded);
        m_syncing = false;
    });
    connect(&m_model, &FolderTreeModel::selectedNodeChanged, this, &FolderTreePane::OnCoreSelectionChanged);
    connect(&m_model, &FolderTreeModel::treeReloaded, this, &FolderTreePane::OnTreeReloaded);

    chooseColour = [this](const QColor& initial, const QString& title) {
        return QColorDialog::getColor(initial, this, title);
    };
    chooseFolder = [this](const QString& title) { return QFileDialog::getExistingDirectory(this, title); };

    // File operations on folders are connected by their own part of the program.
    m_newFolder = AddKeyedAction(QStringLiteral("New Folder"), QKeySequence(Qt::CTRL | Qt::Key_N));
    m_removeFolder = AddKeyedAction(QStringLiteral("Remove Folder"), QKeySequence(Qt::Key_Delete));
    m_removeFromDisk = AddKeyedAction(QStringLiteral("Remove Folder from HD.."), QKeySequence(Qt::CTRL | Qt::Key_X));
    m_renameFolder = AddKeyedAction(QStringLiteral("Rename Folder"), QKeySequence(Qt::Key_F2));
    m_addPath = AddKeyedAction(QStringLiteral("Add Path to Scan for Demos"), QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(m_addPath, &QAction::triggered, this, [this] {
        const QString folder = chooseFolder(QStringLiteral("Select path to scan for demos"));
        if (!folder.isEmpty())
            AddRoot(folder);
    });
    m_rescan = AddKeyedAction(QStringLiteral("Rescan this Branch"), QKeySequence(Qt::Key_F5));
    connect(m_rescan, &QAction::triggered, this, &FolderTreePane::RescanBranch);
    m_cut = AddKeyedAction(QStringLiteral("Cut non-demo Folders"), QKeySequence(Qt::CTRL | Qt::Key_E));
    connect(m_cut, &QAction::triggered, this, &FolderTreePane::CutNonDemoFolders);
    m_collapse = AddKeyedAction(QStringLiteral("Collapse all Folders"), QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(m_collapse, &QAction::triggered, this, [this] { SetAllExpanded(false); });
    // Ctrl+E belongs to "Cut non-demo Folders", which comes first in the menu; a key that did
    // two things would do neither.
    m_expand = AddKeyedAction(QStringLiteral("Expand all Folders"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    connect(m_expand, &QAction::triggered, this, [this] { SetAllExpanded(true); });
    m_backgroundAction = new QAction(QStringLiteral("Set Background Color.."), this);
    connect(m_backgroundAction, &QAction::triggered, this, [this] {
        const QColor chosen = chooseColour(m_background, QStringLiteral("Background"));
        if (chosen.isValid())
            SetBackground(chosen);
    });
    m_newFolder->setIcon(CommandIcon("folder-new"));
    m_removeFolder->setIcon(CommandIcon("folder-remove"));
    m_removeFromDisk->setIcon(CommandIcon("folder-delete"));
    m_renameFolder->setIcon(CommandIcon("folder-rename"));
    m_addPath->setIcon(CommandIcon("folder-add-path"));
    m_rescan->setIcon(CommandIcon("folder-rescan"));
    m_cut->setIcon(CommandIcon("folders-cut"));
    m_collapse->setIcon(CommandIcon("folders-collapse"));
    m_expand->setIcon(CommandIcon("folders-expand"));
    m_backgroundAction->setIcon(CommandIcon("background-colour"));
    m_demoColour = new QAction(QStringLiteral("Include Demos.."), this);
    connect(m_demoColour, &QAction::triggered, this, &FolderTreePane::ChooseDemoFolderColour);
    m_nonDemoColour = new QAction(QStringLiteral("Not Include Demos.."), this);
    connect(m_nonDemoColour, &QAction::triggered, this, &FolderTreePane::ChooseNonDemoFolderColour);
    m_demoColour->setIcon(CommandIcon("folder-colour-demos"));
    m_nonDemoColour->setIcon(CommandIcon("folder-colour-other"));
    m_autoScroll = new QAction(QStringLiteral("Auto Scroll when Mouse on Edge"), this);
    m_autoScroll->setCheckable(true);
    connect(m_autoScroll, &QAction::toggled, this, &FolderTreePane::SetAutoScroll);
    auto* iconSizes = new QActionGroup(this);
    m_big = iconSizes->addAction(QStringLiteral("Big Icons"));
    m_small = iconSizes->addAction(QStringLiteral("Small Icons"));
    m_big->setCheckable(true);
    m_small->setCheckable(true);
    connect(m_big, &QAction::triggered, this, [this] { SetBigIcons(true); });
    connect(m_small, &QAction::triggered, this, [this] { SetBigIcons(false); });

    m_view->setToolTip(QStringLiteral("* Tree View *\n\rDrop Folders from the file manager to scan for demos "));
    ApplyOptions({});
}

QAction* FolderTreePane::AddKeyedAction(const QString& text, const QKeySequence& key)
{
    return AddPaneAction(*this, text, key);
}

void FolderTreePane::AddBelowTree(QWidget* widget)
{
    layout()->addWidget(widget);
}

void FolderTreePane::SetGameDirectory(const std::string& path)
{
    m_model.SetGameDirectory(path);
}

void FolderTreePane::ApplyOptions(const TreeOptions& options)
{
    m_colours = options.colours;
    m_model.SetNonDemoColour(m_colours.nonDemoFolder);
    SetBackground(options.background);
    SetBigIcons(options.bigIcons);
    m_autoScroll->setChecked(options.autoScroll);
    SetAutoScroll(options.autoScroll);
}

TreeOptions FolderTreePane::Options() const
{
    TreeOptions options;
    options.background = m_background;
    options.bigIcons = m_bigIcons;
    options.autoScroll = m_autoScroll->isChecked();
    options.colours = m_colours;
    return options;
}

void FolderTreePane::SetBigIcons(bool big)
{
    m_bigIcons = big;
    (big ? m_big : m_small)->setChecked(true);
    m_view->setIconSize(big ? QSize(32, 32) : QSize(16, 16));
}

void FolderTreePane::SetAutoScroll(bool on)
{
    m_view->setAutoScroll(on);
    m_view->setAutoScrollMargin(on ? 24 : 0);
}

void FolderTreePane::SetBackground(const QColor& colour)
{
    m_background = colour;
    QPalette palette = m_view->palette();
    palette.setColor(QPalette::Base, colour);
    m_view->setPalette(palette);
    m_model.SetBackground(colour);
}

void FolderTreePane::AddRoot(const QString& folder)
{
    std::string path = PathBytes(folder);
    // One trailing separator goes; the file system's root stays "/".
    if (path.size() > 1 && path.back() == core::kPathSeparator)
        path.pop_back();
    core::LibraryFeedback& feedback = m_feedback ? *m_feedback : m_silentFeedback;
    m_model.Change([&] {
        core::FolderNode& root =
            Tree().AddRoot(path, core::FolderHasDemos(path) ? m_colours.demoFolder : m_colours.nonDemoFolder);
        core::BuildFolderTree(Tree(), path, root, m_colours, feedback);
    });
    window()->raise();
    window()->activateWindow();
}

void FolderTreePane::SelectNode(core::FolderNode* node)
{
    Tree().Select(node);
    ShowCoreSelection();
}

void FolderTreePane::RescanBranch()
{
    if (!Tree().Selected())
        return;
    core::LibraryFeedback& feedback = m_feedback ? *m_feedback : m_silentFeedback;
    m_model.Change([&] { core::RescanBranch(Tree(), m_colours, feedback); });
}

void FolderTreePane::CutNonDemoFolders()
{
    core::FolderNode* selected = Tree().Selected();
    if (!selected)
        return;
    m_model.Change([&] { core::CutNonDemoFolders(Tree(), *selected, m_colours); });
}

void FolderTreePane::SetAllExpanded(bool expanded)
{
    m_syncing = true;
    for (core::FolderNode* node = Tree().First(); node; node = Tree().Next(*node))
        Tree().SetExpanded(*node, expanded && !node->children.empty());
    if (expanded)
        m_view->expandAll();
    else
        m_view->collapseAll();
    m_syncing = false;
    ShowCoreSelection();
}

void FolderTreePane::RecolourNodes(uint32_t from, uint32_t to)
{
    for (core::FolderNode* node = Tree().First(); node; node = Tree().Next(*node))
        if (node->colour == from)
            Tree().SetColour(*node, to);
}

void FolderTreePane::ChooseDemoFolderColour()
{
    const QColor chosen = chooseColour(ColourFromStored(m_colours.demoFolder), QStringLiteral("Include Demos"));
    if (!chosen.isValid())
        return;
    const uint32_t colour = StoredFromColour(chosen);
    // The colour is the only record of whether a folder holds demos: the two must differ.
    if (colour == m_colours.nonDemoFolder)
        return;
    RecolourNodes(m_colours.demoFolder, colour);
    m_colours.demoFolder = colour;
    if (storeColour)
        storeColour("DemoFolderFontColor", colour);
}

void FolderTreePane::ChooseNonDemoFolderColour()
{
    const QColor chosen = chooseColour(ColourFromStored(m_colours.nonDemoFolder), QStringLiteral("Not Include Demos"));
    if (!chosen.isValid())
        return;
    const uint32_t colour = StoredFromColour(chosen);
    // Taking the demo folders' colour would make every folder look like one without demos, and
    // "Cut non-demo Folders" would then remove the demo folders too.
    if (colour == m_colours.demoFolder)
        return;
    RecolourNodes(m_colours.nonDemoFolder, colour);
    m_colours.nonDemoFolder = colour;
    m_model.SetNonDemoColour(colour);
    if (storeColour)
        storeColour("NonDemoFolderFontColor", colour);
}

void FolderTreePane::SetReadOnlyMode(bool on)
{
    m_readOnly = on;
    UpdateCommands();
}

void FolderTreePane::UpdateCommands()
{
    const core::FolderNode* selected = Tree().Selected();
    // On Linux a folder may be changed when its file system answers, is not mounted read-only
    // (a CD-ROM never is writable) and the user may write to the folder.
    bool writable = false;
    if (selected) {
        const std::string path = core::NodePath(*selected);
        const core::DriveState drive = core::DriveStateOf(path);
        writable = drive.readable && !drive.readOnly && platform::IsWritableFolder(path);
    }
    const bool newFolder = selected && writable && !m_readOnly;
    m_newFolder->setEnabled(newFolder);
    m_removeFromDisk->setEnabled(newFolder && selected->children.empty());
    m_renameFolder->setEnabled(newFolder);
}

void FolderTreePane::ShowContextMenu(const QPoint& pos)
{
    UpdateCommands();
    QMenu menu(this);
    menu.addAction(m_newFolder);
    menu.addAction(m_removeFolder);
    menu.addAction(m_removeFromDisk);
    menu.addAction(m_renameFolder);
    menu.addSeparator();
    menu.addAction(m_addPath);
    menu.addAction(m_rescan);
    menu.addAction(m_cut);
    menu.addSeparator();
    menu.addAction(m_collapse);
    menu.addAction(m_expand);
    menu.addSeparator();
    QMenu* style = menu.addMenu(QStringLiteral("View Style"));
    style->addAction(m_backgroundAction);
    QMenu* fonts = style->addMenu(QStringLiteral("Set Font Color for Folders that"));
    fonts->addAction(m_demoColour);
    fonts->addAction(m_nonDemoColour);
    style->addSeparator();
    style->addAction(m_autoScroll);
    style->addSeparator();
    style->addAction(m_big);
    style->addAction(m_small);
    menu.exec(m_view->viewport()->mapToGlobal(pos));
}

void FolderTreePane::OnViewSelectionChanged()
{
    if (m_syncing)
        return;
    const QModelIndexList selected = m_view->selectionModel()->selectedIndexes();
    core::FolderNode* node = selected.isEmpty() ? nullptr : FolderTreeModel::NodeOf(selected.front());
    if (!node)
        return;
    if (gui::BusyCount > 0) {
        ShowCoreSelection(); // refused while a long operation runs
        return;
    }
    if (node != Tree().Selected())
        Tree().Select(node);
}

void FolderTreePane::OnCoreSelectionChanged(core::FolderNode* node)
{
    UpdateCommands();
    if (m_model.Changing()) {
        m_selectionPending = true; // shown and listed once the tree is reloaded
        return;
    }
    ShowCoreSelection();
    if (node)
        emit nodeChosen(node);
}

void FolderTreePane::OnTreeReloaded()
{
    m_syncing = true;
    ApplyExpandedStates({});
    m_syncing = false;
    ShowCoreSelection();
    UpdateCommands();
    if (m_selectionPending) {
        m_selectionPending = false;
        if (core::FolderNode* node = Tree().Selected())
            emit nodeChosen(node);
    }
}

void FolderTreePane::ApplyExpandedStates(const QModelIndex& parent)
{
    const int rows = m_model.rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex index = m_model.index(row, 0, parent);
        const core::FolderNode* node = FolderTreeModel::NodeOf(index);
        if (!node || node->children.empty())
            continue;
        m_view->setExpanded(index, node->expanded);
        ApplyExpandedStates(index);
    }
}

void FolderTreePane::ShowCoreSelection()
{
    const QModelIndex index = m_model.IndexOf(Tree().Selected());
    m_syncing = true;
    if (index.isValid()) {
        m_view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        m_view->scrollTo(index);
    } else {
        m_view->selectionModel()->clearSelection();
    }
    m_syncing = false;
}

QString FolderTreePane::DroppedFolder(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return {};
    const QList<QUrl> urls = data->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile())
        return {};
    const QFileInfo first(urls.front().toLocalFile());
    // A symbolic link to a folder stands for the folder it points to (a shortcut on Windows).
    if (first.isSymLink()) {
        const QFileInfo target(first.canonicalFilePath());
        return target.isDir() ? target.absoluteFilePath() : QString();
    }
    if (urls.size() == 1 && first.isDir())
        return first.absoluteFilePath();
    return {};
}

bool FolderTreePane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_view->viewport())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (!DroppedFolder(drag->mimeData()).isEmpty()) {
            if (drag->possibleActions() & Qt::LinkAction)
                drag->setDropAction(Qt::LinkAction);
            else
                drag->setDropAction(drag->proposedAction());
            drag->accept();
            return true;
        }
        // Other drags (demos moved onto a folder) are left to the file operations.
        return false;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString folder = DroppedFolder(drop->mimeData());
        if (folder.isEmpty())
            return false;
        drop->setDropAction(drop->possibleActions() & Qt::LinkAction ? Qt::LinkAction : drop->proposedAction());
        drop->accept();
        AddRoot(folder);
        return true;
    }
    default:
        return false;
    }
}

} // namespace gui
