#include "core/library/FolderTreeOps.h"

#include <filesystem>
#include <set>
#include <system_error>
#include <vector>

#include "core/archive/ZipRead.h"
#include "core/library/DemoFiles.h"

namespace core {

std::string NodePath(const FolderNode& node)
{
    if (!node.parent)
        return node.text;
    return NodePath(*node.parent) + kPathSeparator + node.text;
}

std::string NodeParentPath(const FolderNode& node)
{
    const std::string path = NodePath(node);
    const size_t cut = path.rfind(kPathSeparator);
    return cut == std::string::npos ? node.text : path.substr(0, cut);
}

std::string NodeDriveRoot(const FolderNode& node)
{
    const std::string path = NodePath(node);
    const size_t cut = path.find(kPathSeparator);
    return cut == std::string::npos ? path + kPathSeparator : path.substr(0, cut + 1);
}

FolderNode& RootNodeOf(FolderNode& node)
{
    FolderNode* at = &node;
    while (at->parent)
        at = at->parent;
    return *at;
}

const FolderNode& RootNodeOf(const FolderNode& node)
{
    const FolderNode* at = &node;
    while (at->parent)
        at = at->parent;
    return *at;
}

FolderNode* FindNodeByPath(const FolderTree& tree, const std::string& path)
{
    for (FolderNode* node = tree.First(); node; node = tree.Next(*node))
        if (NodePath(*node) == path)
            return node;
    return nullptr;
}

namespace {

bool ArchiveHasDemoMember(const std::string& archive)
{
    ZipSearchRec search;
    for (int result = FindFirstInZip(archive, search); result == 0; result = FindNextInZip(search)) {
        if (IsDemoExtension(LowerExtension(search.name))) {
            CloseZipSearch(search);
            return true;
        }
    }
    CloseZipSearch(search);
    return false;
}

std::string CanonicalOrSame(const std::string& folder)
{
    std::error_code ec;
    std::filesystem::path canonical = std::filesystem::canonical(folder, ec);
    return ec ? folder : canonical.string();
}

// `branch` holds the real paths of the folders from the root down to `folder`: a symbolic link
// back to one of them would otherwise make the tree endless.
void AddSubfolders(FolderTree& tree, const std::string& folder, FolderNode& node, const FolderColours& colours,
                   LibraryFeedback& feedback, std::set<std::string>& branch)
{
    for (const FolderEntry& entry : ListFolder(folder)) {
        if (!entry.isDirectory || entry.name.starts_with('.'))
            continue;
        const std::string path = JoinPath(folder, entry.name);
        const std::string real = CanonicalOrSame(path);
        if (branch.contains(real))
            continue;
        FolderNode& child = tree.AddChild(node, entry.name, colours.nonDemoFolder);
        feedback.ShowFolderPath(NodePath(child));
        if (FolderHasDemos(path)) {
            tree.SetColour(child, colours.demoFolder);
            for (FolderNode* up = child.parent; up; up = up->parent)
                tree.SetExpanded(*up, true);
        }
        branch.insert(real);
        AddSubfolders(tree, path, child, colours, feedback, branch);
        branch.erase(real);
    }
}

} // namespace

bool FolderHasDemos(const std::string& folder)
{
    for (const FolderEntry& entry : ListFolder(folder)) {
        if (entry.isPipeOrDevice)
            continue;
        switch (KindOfName(entry.name)) {
        case EntryKind::Demo:
            return true;
        case EntryKind::ExecutableArchive:
            if (entry.isDirectory || !IsZipFile(JoinPath(folder, entry.name)))
                break;
            [[fallthrough]];
        case EntryKind::Archive:
            if (!entry.isDirectory && ArchiveHasDemoMember(JoinPath(folder, entry.name)))
                return true;
            break;
        case EntryKind::Other:
            break;
        }
    }
    return false;
}

void AddSubfolderNodes(FolderTree& tree, const std::string& folder, FolderNode& node, const FolderColours& colours,
                       LibraryFeedback& feedback)
{
    std::set<std::string> branch{CanonicalOrSame(folder)};
    AddSubfolders(tree, folder, node, colours, feedback, branch);
}

void BuildFolderTree(FolderTree& tree, const std::string& folder, FolderNode& node, const FolderColours& colours,
                     LibraryFeedback& feedback)
{
    feedback.SetWaitCursor(true);
    AddSubfolderNodes(tree, folder, node, colours, feedback);
    tree.Sort();
    tree.Select(&node);
    feedback.ShowFolderPath(NodePath(node));
    feedback.SetWaitCursor(false);
}

void RescanBranch(FolderTree& tree, const FolderColours& colours, LibraryFeedback& feedback)
{
    FolderNode* selected = tree.Selected();
    if (!selected)
        return;
    const std::string selectedPath = NodePath(*selected);
    FolderNode& oldRoot = RootNodeOf(*selected);
    const std::string rootText = oldRoot.text;
    const FolderNode* nextRoot = tree.NextSibling(oldRoot);
    tree.Remove(oldRoot);

    const uint32_t colour = FolderHasDemos(rootText) ? colours.demoFolder : colours.nonDemoFolder;
    FolderNode& root = tree.AddRoot(rootText, colour, nextRoot);
    BuildFolderTree(tree, rootText, root, colours, feedback);
    FolderNode* again = FindNodeByPath(tree, selectedPath);
    tree.Select(again ? again : &root);
    // Building showed the branch's root; the folder shown is the one still selected.
    feedback.ShowFolderPath(NodePath(*tree.Selected()));
}

void CutNonDemoFolders(FolderTree& tree, FolderNode& node, const FolderColours& colours)
{
    std::vector<FolderNode*> order;
    for (FolderNode* at = &RootNodeOf(node); at; at = tree.Next(*at))
        order.push_back(at);
    // Children come after their parents in tree order, so walking backwards empties a branch
    // before its parent is judged.
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        FolderNode* at = *it;
        if (at->children.empty() && at->colour == colours.nonDemoFolder)
            tree.Remove(*at);
    }
}

} // namespace core
