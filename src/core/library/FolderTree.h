#pragma once
// The folder tree as data: nodes with a text, a font colour, an expanded state and ordered
// children. The GUI's tree view mirrors it through FolderTreeListener.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace core {

struct FolderNode {
    std::string text; // a root holds a full folder path, any other node one folder name
    uint32_t colour = 0;
    bool expanded = false;
    FolderNode* parent = nullptr;
    std::vector<std::unique_ptr<FolderNode>> children;
};

// Told about every change, so that a view can follow the model.
class FolderTreeListener {
public:
    virtual ~FolderTreeListener() = default;
    virtual void NodeAdded(FolderNode& /*node*/) {}
    virtual void NodeRemoving(FolderNode& /*node*/) {}
    virtual void NodeChanged(FolderNode& /*node*/) {} // colour or expanded state
    virtual void TreeSorted() {}
    virtual void SelectionChanged(FolderNode* /*node*/) {}
};

class FolderTree {
public:
    FolderTree() = default;
    FolderTree(const FolderTree&) = delete;
    FolderTree& operator=(const FolderTree&) = delete;

    void SetListener(FolderTreeListener* listener) { m_listener = listener; }

    const std::vector<std::unique_ptr<FolderNode>>& Roots() const { return m_roots; }
    // Adds a root before `before` (one of the roots), or at the end when it is null.
    FolderNode& AddRoot(const std::string& text, uint32_t colour, const FolderNode* before = nullptr);
    FolderNode& AddChild(FolderNode& parent, const std::string& text, uint32_t colour);
    // Removes the node with all its descendants; a removed selection leaves no node selected.
    void Remove(FolderNode& node);
    void SetColour(FolderNode& node, uint32_t colour);
    void SetExpanded(FolderNode& node, bool expanded);
    // Sorts every level by text, ignoring ASCII case.
    void Sort();
    // Sorts the node among its siblings only (after its text changed).
    void SortAmongSiblings(FolderNode& node);

    FolderNode* Selected() const { return m_selected; }
    void Select(FolderNode* node);

    // The node after `node` in tree order (depth first, later roots included); null at the end.
    FolderNode* Next(const FolderNode& node) const;
    FolderNode* First() const { return m_roots.empty() ? nullptr : m_roots.front().get(); }
    // The sibling after the node (a later root for a root); null for the last one.
    FolderNode* NextSibling(const FolderNode& node) const;

private:
    std::vector<std::unique_ptr<FolderNode>>& SiblingsOf(const FolderNode& node);
    const std::vector<std::unique_ptr<FolderNode>>& SiblingsOf(const FolderNode& node) const;
    bool Contains(const FolderNode& ancestor, const FolderNode* node) const;

    std::vector<std::unique_ptr<FolderNode>> m_roots;
    FolderNode* m_selected = nullptr;
    FolderTreeListener* m_listener = nullptr;
};

} // namespace core
