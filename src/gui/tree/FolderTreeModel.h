#pragma once
// The folder tree as the tree view sees it: a Qt item model over the core's folder tree, which
// stays the one record of the nodes, their colours, expanded states and the selection.
//
// Changes that add or remove nodes (building, rescanning or cutting a branch, loading the tree
// file, file operations on folders) run inside Change(), which tells the views to forget and
// reload the tree around them; expanded states and the selection come back from the core tree.
#include <QAbstractItemModel>
#include <QColor>

#include <functional>
#include <map>
#include <string>

#include "core/library/FolderTree.h"
#include "platform/DriveKind.h"

namespace gui {

// File-system paths in the core are bytes in the local encoding (UTF-8 on Linux).
QString PathText(const std::string& path);
std::string PathBytes(const QString& path);

class FolderTreeModel : public QAbstractItemModel, private core::FolderTreeListener {
    Q_OBJECT
public:
    explicit FolderTreeModel(QObject* parent = nullptr);
    ~FolderTreeModel() override;

    core::FolderTree& Tree() { return m_tree; }
    const core::FolderTree& Tree() const { return m_tree; }

    // The game directory's node gets the game folder icon.
    void SetGameDirectory(const std::string& path) { m_gameDirectory = path; }
    // Folders whose colour is this one count as folders without demos (closed plain icon).
    void SetNonDemoColour(uint32_t colour) { m_nonDemoColour = colour; }
    // The tree's background: folder names in black turn light on a dark one.
    void SetBackground(const QColor& colour) { m_background = colour; }
    uint32_t NonDemoColour() const { return m_nonDemoColour; }

    // Runs a change that may add, remove or reorder nodes.
    void Change(const std::function<void()>& change);
    bool Changing() const { return m_changing > 0; }

    QModelIndex IndexOf(const core::FolderNode* node) const;
    static core::FolderNode* NodeOf(const QModelIndex& index);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // After Change(): the views put back expanded states and the selection from the core tree.
    void treeReloaded();
    void expandedChanged(const QModelIndex& index, bool expanded);
    void selectedNodeChanged(core::FolderNode* node);

private:
    void NodeAdded(core::FolderNode& node) override;
    void NodeRemoving(core::FolderNode& node) override;
    void NodeChanged(core::FolderNode& node) override;
    void TreeSorted() override;
    void SelectionChanged(core::FolderNode* node) override;
    QIcon IconOf(const core::FolderNode& node) const;
    // A change outside Change(): the views reload once the change is done.
    void ReloadLater();

    core::FolderTree m_tree;
    std::string m_gameDirectory;
    uint32_t m_nonDemoColour = 8421504;
    QColor m_background = Qt::white;
    int m_changing = 0;
    bool m_reloadPending = false;
    core::FolderNode* m_lastSelected = nullptr;
    mutable std::map<std::string, platform::DriveKind> m_driveKinds;
};

} // namespace gui
