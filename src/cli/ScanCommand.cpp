#include "cli/ScanCommand.h"

#include <cstdio>
#include <functional>
#include <iostream>

#include "cli/Json.h"
#include "core/library/FolderTreeOps.h"
#include "core/library/Scanner.h"
#include "core/paths/Paths.h"
#include "platform/FileSystem.h"

namespace cli {
namespace {

struct ScanOptions {
    bool json = false;
    bool noCache = false;
    bool tree = false;
    std::string dataDirectory;
    std::string folder;
};

// The rows as the demo list shows them, in the order the listing sorted them.
class RowCollector final : public core::ScanTarget {
public:
    void Clear() override { rows.clear(); }
    void AddRow(core::DemoInfo row) override { rows.push_back(std::move(row)); }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    std::vector<core::DemoInfo> rows;
};

// The summary goes to standard error so that the table itself is the same on every run.
class StderrFeedback final : public core::LibraryFeedback {
public:
    void ShowSummary(const std::string& text) override { summary = text; }
    void ShowError(const std::string& text, const std::string& title) override
    {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    }
    std::string summary;
};

void PrintJson(const std::vector<core::DemoInfo>& rows, const std::string& summary)
{
    const auto& names = core::DemoColumnNames();
    std::string out = "{\n  \"rows\": [";
    for (size_t r = 0; r < rows.size(); ++r) {
        out += r ? ",\n    {" : "\n    {";
        for (int i = 0; i < core::DemoFieldCount; ++i)
            out += (i ? ", " : "") + JsonString(names[static_cast<size_t>(i)]) + ": " + JsonField(rows[r], i);
        out += "}";
    }
    out += rows.empty() ? "],\n" : "\n  ],\n";
    out += "  \"summary\": " + JsonUtf8String(summary) + "\n}\n";
    std::cout << out;
}

int PrintTree(const ScanOptions& options)
{
    core::FolderTree tree;
    const core::FolderColours colours;
    core::LibraryFeedback quiet;
    std::string root = options.folder;
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    core::FolderNode& node =
        tree.AddRoot(root, core::FolderHasDemos(root) ? colours.demoFolder : colours.nonDemoFolder);
    core::BuildFolderTree(tree, root, node, colours, quiet);
    // "*" marks a folder that holds demos.
    std::function<void(const core::FolderNode&, int)> print = [&](const core::FolderNode& n, int depth) {
        std::cout << std::string(static_cast<size_t>(depth) * 2, ' ')
                  << (n.colour == colours.nonDemoFolder ? "  " : "* ") << n.text << "\n";
        for (const auto& child : n.children)
            print(*child, depth + 1);
    };
    for (const auto& r : tree.Roots())
        print(*r, 0);
    return 0;
}

} // namespace

void PrintTable(const std::vector<core::DemoInfo>& rows)
{
    const auto& names = core::DemoColumnNames();
    for (size_t i = 0; i < names.size(); ++i)
        std::cout << (i ? "\t" : "") << names[i];
    std::cout << "\n";
    for (const core::DemoInfo& row : rows) {
        for (int i = 0; i < core::DemoFieldCount; ++i)
            std::cout << (i ? "\t" : "") << row[i];
        std::cout << "\n";
    }
}

int RunScan(const std::vector<std::string>& args)
{
    ScanOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--json")
            options.json = true;
        else if (arg == "--no-cache")
            options.noCache = true;
        else if (arg == "--tree")
            options.tree = true;
        else if (arg == "--data" && i + 1 < args.size())
            options.dataDirectory = args[++i];
        else if (arg.rfind("--", 0) == 0 || !options.folder.empty()) {
            std::cerr << "usage: velmora-cli scan [--json] [--no-cache] [--data DIR] FOLDER | --tree FOLDER\n";
            return 2;
        } else
            options.folder = arg;
    }
    if (options.folder.empty()) {
        std::cerr << "usage: velmora-cli scan [--json] [--no-cache] [--data DIR] FOLDER | --tree FOLDER\n";
        return 2;
    }
    if (const auto status = platform::StatusOf(options.folder); !status || !status->isDirectory) {
        std::cerr << "velmora-cli: not a folder: " << options.folder << "\n";
        return 1;
    }
    if (options.tree)
        return PrintTree(options);

    core::ScanSettings settings;
    settings.demoDataDirectory =
        options.dataDirectory.empty() ? core::CurrentProgramPaths().demoDataDirectory : options.dataDirectory;
    settings.userCacheDirectory = core::CurrentProgramPaths().userCacheDirectory;
    settings.readCache = !options.noCache;
    settings.writeCache = !options.noCache;
    RowCollector demoList, playList;
    StderrFeedback feedback;
    std::string folder = options.folder;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    core::ScanDemos(core::FolderScanArgument(folder), demoList, playList, feedback, settings);
    if (options.json)
        PrintJson(demoList.rows, feedback.summary);
    else
        PrintTable(demoList.rows);
    std::cerr << feedback.summary << "\n";
    return 0;
}

} // namespace cli
