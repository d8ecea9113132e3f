#include "gui/tree/FolderTreeModel.h"

#include <QFile>
#include <QTimer>

#include "core/library/FolderTreeOps.h"
#include "gui/common/PaletteColours.h"
#include "gui/tree/FolderIcons.h"

namespace gui {

QString PathText(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromRawData(path.data(), static_cast<qsizetype>(path.size())));
}

std::string PathBytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

FolderTreeModel::FolderTreeModel(QObject* parent) : QAbstractItemModel(parent)
{
    m_tree.SetListener(this);
}

FolderTreeModel::~FolderTreeModel()
{
    m_tree.SetListener(nullptr);
}

void FolderTreeModel::Change(const std::function<void()>& change)
{
    if (m_changing++ == 0)
        beginResetModel();
    change();
    if (--m_changing == 0) {
        endResetModel();
        emit treeReloaded();
    }
}

void FolderTreeModel::ReloadLater()
{
    if (m_reloadPending)
        return;
    m_reloadPending = true;
    beginResetModel();
    QTimer::singleShot(0, this, [this] {
        m_reloadPending = false;
        endResetModel();
        emit treeReloaded();
    });
}

QModelIndex FolderTreeModel::IndexOf(const core::FolderNode* node) const
{
    if (!node || m_reloadPending)
        return {};
    const auto& siblings = node->parent ? node->parent->children : m_tree.Roots();
    for (size_t row = 0; row < siblings.size(); ++row)
        if (siblings[row].get() == node)
            return createIndex(static_cast<int>(row), 0, const_cast<core::FolderNode*>(node));
    return {};
}

core::FolderNode* FolderTreeModel::NodeOf(const QModelIndex& index)
{
    return index.isValid() ? static_cast<core::FolderNode*>(index.internalPointer()) : nullptr;
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0)
        return {};
    const core::FolderNode* parentNode = NodeOf(parent);
    const auto& children = parentNode ? parentNode->children : m_tree.Roots();
    if (static_cast<size_t>(row) >= children.size())
        return {};
    return createIndex(row, 0, children[static_cast<size_t>(row)].get());
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const
{
    const core::FolderNode* node = NodeOf(child);
    return node ? IndexOf(node->parent) : QModelIndex();
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    const core::FolderNode* node = NodeOf(parent);
    return static_cast<int>(node ? node->children.size() : m_tree.Roots().size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QIcon FolderTreeModel::IconOf(const core::FolderNode& node) const
{
    if (!node.parent) {
        auto found = m_driveKinds.find(node.text);
        if (found == m_driveKinds.end())
            found = m_driveKinds.emplace(node.text, platform::DriveKindOf(node.text)).first;
        if (found->second != platform::DriveKind::None)
            return DriveIcon(found->second);
    }
    const bool selected = m_tree.Selected() == &node;
    if (!m_gameDirectory.empty() && core::NodePath(node) == m_gameDirectory)
        return FolderIconFor(FolderIcon::GameFolder);
    if (node.colour == m_nonDemoColour)
        return FolderIconFor(selected ? FolderIcon::PlainOpen : FolderIcon::PlainClosed);
    return FolderIconFor(selected ? FolderIcon::DemosOpen : FolderIcon::DemosClosed);
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const
{
    const core::FolderNode* node = NodeOf(index);
    if (!node)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return PathText(node->text);
    case Qt::ForegroundRole:
        return ReadableOn(ColourFromStored(node->colour), m_background);
    case Qt::DecorationRole:
        return IconOf(*node);
    default:
        return {};
    }
}

Qt::ItemFlags FolderTreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    // No check boxes: checking nodes is refused.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled;
}

void FolderTreeModel::NodeAdded(core::FolderNode&)
{
    if (!m_changing)
        ReloadLater();
}

void FolderTreeModel::NodeRemoving(core::FolderNode&)
{
    if (!m_changing)
        ReloadLater();
}

void FolderTreeModel::TreeSorted()
{
    if (!m_changing)
        ReloadLater();
}

void FolderTreeModel::NodeChanged(core::FolderNode& node)
{
    if (m_changing || m_reloadPending)
        return;
    const QModelIndex at = IndexOf(&node);
    if (!at.isValid())
        return;
    emit dataChanged(at, at, {Qt::ForegroundRole, Qt::DecorationRole});
    emit expandedChanged(at, node.expanded);
}

void FolderTreeModel::SelectionChanged(core::FolderNode* node)
{
    // The old and the new selection change icons (open and closed folders). The old node is
    // still alive: the core tree clears a selection before it removes the selected node.
    if (!m_changing && !m_reloadPending) {
        for (core::FolderNode* changed : {m_lastSelected, node}) {
            const QModelIndex at = IndexOf(changed);
            if (at.isValid())
                emit dataChanged(at, at, {Qt::DecorationRole});
        }
    }
    m_lastSelected = node;
    emit selectedNodeChanged(node);
}

} // namespace gui
