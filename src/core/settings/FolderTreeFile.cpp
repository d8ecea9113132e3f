#include "core/settings/FolderTreeFile.h"

#include <charconv>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/common/FileWrite.h"

namespace core {
namespace {

constexpr std::string_view kHeader = "Velmora Folders 1\n";

void AppendNode(const FolderNode& node, int depth, std::string& text)
{
    text += std::to_string(depth) + ' ' + std::to_string(node.colour) + ' ' + (node.expanded ? '1' : '0') + ' ' +
            std::to_string(node.text.size()) + ' ' + node.text + '\n';
    for (const auto& child : node.children)
        AppendNode(*child, depth + 1, text);
}

// Reads a decimal number and the blank after it.
template <class T> std::optional<T> TakeNumber(std::string_view& text)
{
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end == text.data() + text.size() || *end != ' ')
        return std::nullopt;
    text.remove_prefix(static_cast<size_t>(end - text.data()) + 1);
    return value;
}

struct ParsedNode {
    size_t depth = 0;
    uint32_t colour = 0;
    bool expanded = false;
    std::string text;
};

std::optional<std::vector<ParsedNode>> ParseNodes(std::string_view text)
{
    if (!text.starts_with(kHeader))
        return std::nullopt;
    text.remove_prefix(kHeader.size());
    std::vector<ParsedNode> nodes;
    while (!text.empty()) {
        ParsedNode node;
        const auto depth = TakeNumber<size_t>(text);
        const auto colour = TakeNumber<uint32_t>(text);
        const auto expanded = TakeNumber<unsigned>(text);
        const auto length = TakeNumber<size_t>(text);
        if (!depth || !colour || !expanded || *expanded > 1 || !length)
            return std::nullopt;
        // A node is a root or one level below the node before it; the length must leave room for
        // the text and its line end.
        const size_t deepest = nodes.empty() ? 0 : nodes.back().depth + 1;
        if (*depth > deepest || *length >= text.size() || text[*length] != '\n')
            return std::nullopt;
        node.depth = *depth;
        node.colour = *colour;
        node.expanded = *expanded == 1;
        node.text = std::string(text.substr(0, *length));
        text.remove_prefix(*length + 1);
        nodes.push_back(std::move(node));
    }
    return nodes;
}

} // namespace

std::string FolderTreeText(const FolderTree& tree)
{
    std::string text(kHeader);
    for (const auto& root : tree.Roots())
        AppendNode(*root, 0, text);
    return text;
}

bool ParseFolderTree(std::string_view text, FolderTree& tree)
{
    const auto nodes = ParseNodes(text);
    if (!nodes)
        return false;
    std::vector<FolderNode*> path; // the last node added at each depth
    for (const ParsedNode& parsed : *nodes) {
        path.resize(parsed.depth);
        FolderNode& node = parsed.depth == 0 ? tree.AddRoot(parsed.text, parsed.colour)
                                             : tree.AddChild(*path.back(), parsed.text, parsed.colour);
        tree.SetExpanded(node, parsed.expanded);
        path.push_back(&node);
    }
    return true;
}

bool LoadFolderTree(FolderTree& tree, const std::filesystem::path& file)
{
    std::string text;
    return ReadFileContents(file, text) && ParseFolderTree(text, tree);
}

bool SaveFolderTree(const FolderTree& tree, const std::filesystem::path& file)
{
    return ReplaceFileContents(file, FolderTreeText(tree));
}

} // namespace core
