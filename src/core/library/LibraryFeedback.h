#pragma once
// What the demo library tells the window while it works: the list rows it produces, the status
// bar texts, the wait cursor and the colour of the selected folder node. The GUI implements these
// with its views; the command line and the tests with plain recorders. Every hook but AddRow has
// a do-nothing default so that a caller overrides only what it shows.
#include <cstdint>
#include <string>

#include "core/row/DemoInfo.h"

namespace core {

// A list that receives demo rows: the demo list (emptied first by a folder listing) or the play
// list (rows appended).
class ScanTarget {
public:
    virtual ~ScanTarget() = default;
    virtual void Clear() {}
    // Rows arrive between BeginUpdate and EndUpdate, so that a view repaints once.
    virtual void BeginUpdate() {}
    virtual void AddRow(DemoInfo row) = 0;
    virtual void EndUpdate() {}
    // A folder listing ends by sorting the list on its current sort column.
    virtual void SortByCurrentColumn() {}
    virtual int RowCount() const = 0;
};

class LibraryFeedback {
public:
    virtual ~LibraryFeedback() = default;
    // First status panel: a folder path, shortened with an ellipsis to fit the panel.
    virtual void ShowFolderPath(const std::string& /*path*/) {}
    // Second status panel: "Parsing " + path, the path shortened so that both fit.
    virtual void ShowParsing(const std::string& /*path*/) {}
    // Second status panel: the summary of a folder listing.
    virtual void ShowSummary(const std::string& /*text*/) {}
    virtual void SetWaitCursor(bool /*on*/) {}
    // The folder listing marks the selected tree node as a demo folder or not by its font colour.
    virtual void ColourSelectedFolder(uint32_t /*colour*/) {}
    // Lets the window handle pending events (repaints, Escape) during a long operation.
    virtual void KeepAlive() {}
    // A file the listing could not read and the user should hear of (a demo description file);
    // the listing goes on.
    virtual void ShowError(const std::string& /*text*/, const std::string& /*title*/) {}
};

// The two folder font colours of the settings; red in bits 0-7, green 8-15, blue 16-23.
struct FolderColours {
    uint32_t demoFolder = 0;          // black
    uint32_t nonDemoFolder = 8421504; // grey 128, 128, 128
};

} // namespace core
