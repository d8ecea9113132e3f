#include "core/library/FolderTree.h"

#include <algorithm>

#include "core/row/DemoInfo.h"

namespace core {

FolderNode& FolderTree::AddRoot(const std::string& text, uint32_t colour, const FolderNode* before)
{
    auto node = std::make_unique<FolderNode>();
    node->text = text;
    node->colour = colour;
    auto at = std::find_if(m_roots.begin(), m_roots.end(), [&](const auto& root) { return root.get() == before; });
    FolderNode& added = **m_roots.insert(before ? at : m_roots.end(), std::move(node));
    if (m_listener)
        m_listener->NodeAdded(added);
    return added;
}

FolderNode& FolderTree::AddChild(FolderNode& parent, const std::string& text, uint32_t colour)
{
    auto node = std::make_unique<FolderNode>();
    node->text = text;
    node->colour = colour;
    node->parent = &parent;
    FolderNode& added = *parent.children.emplace_back(std::move(node));
    if (m_listener)
        m_listener->NodeAdded(added);
    return added;
}

std::vector<std::unique_ptr<FolderNode>>& FolderTree::SiblingsOf(const FolderNode& node)
{
    return node.parent ? node.parent->children : m_roots;
}

const std::vector<std::unique_ptr<FolderNode>>& FolderTree::SiblingsOf(const FolderNode& node) const
{
    return node.parent ? node.parent->children : m_roots;
}

bool FolderTree::Contains(const FolderNode& ancestor, const FolderNode* node) const
{
    for (; node; node = node->parent)
        if (node == &ancestor)
            return true;
    return false;
}

void FolderTree::Remove(FolderNode& node)
{
    if (m_listener)
        m_listener->NodeRemoving(node);
    if (Contains(node, m_selected))
        Select(nullptr);
    auto& siblings = SiblingsOf(node);
    std::erase_if(siblings, [&](const auto& sibling) { return sibling.get() == &node; });
}

void FolderTree::SetColour(FolderNode& node, uint32_t colour)
{
    if (node.colour == colour)
        return;
    node.colour = colour;
    if (m_listener)
        m_listener->NodeChanged(node);
}

void FolderTree::SetExpanded(FolderNode& node, bool expanded)
{
    if (node.expanded == expanded)
        return;
    node.expanded = expanded;
    if (m_listener)
        m_listener->NodeChanged(node);
}

namespace {

void SortOneLevel(std::vector<std::unique_ptr<FolderNode>>& nodes)
{
    std::stable_sort(nodes.begin(), nodes.end(),
                     [](const auto& a, const auto& b) { return LowerCase(a->text) < LowerCase(b->text); });
}

void SortLevel(std::vector<std::unique_ptr<FolderNode>>& nodes)
{
    SortOneLevel(nodes);
    for (auto& node : nodes)
        SortLevel(node->children);
}

} // namespace

void FolderTree::Sort()
{
    SortLevel(m_roots);
    if (m_listener)
        m_listener->TreeSorted();
}

void FolderTree::SortAmongSiblings(FolderNode& node)
{
    SortOneLevel(SiblingsOf(node));
    if (m_listener)
        m_listener->TreeSorted();
}

void FolderTree::Select(FolderNode* node)
{
    if (m_selected == node)
        return;
    m_selected = node;
    if (m_listener)
        m_listener->SelectionChanged(node);
}

FolderNode* FolderTree::NextSibling(const FolderNode& node) const
{
    const auto& siblings = SiblingsOf(node);
    for (size_t i = 0; i + 1 < siblings.size(); ++i)
        if (siblings[i].get() == &node)
            return siblings[i + 1].get();
    return nullptr;
}

FolderNode* FolderTree::Next(const FolderNode& node) const
{
    if (!node.children.empty())
        return node.children.front().get();
    for (const FolderNode* at = &node; at; at = at->parent)
        if (FolderNode* sibling = NextSibling(*at))
            return sibling;
    return nullptr;
}

} // namespace core
