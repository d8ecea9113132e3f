#pragma once
// The main window as the parts built on the panes see it: the commands that act across panes
// (file operations, properties, playing, columns, video) reach the tree, the lists, the status bar
// and the window's commands through this, never through the main window's own class, so that they
// build below the application that wires them together. The main window is the one implementation.
#include <QMainWindow>

#include <cstdint>
#include <string>

namespace core {
struct FolderNode;
}

namespace gui {

class DemoListPane;
class FolderTreePane;
class PlayListPane;
class StatusPanels;
struct Commands;

class PaneHost : public QMainWindow {
public:
    using QMainWindow::QMainWindow;

    virtual FolderTreePane& TreePane() = 0;
    virtual DemoListPane& DemoList() = 0;
    virtual PlayListPane& PlayList() = 0;
    virtual StatusPanels& Status() = 0;
    virtual Commands& Cmds() = 0;
    // The folder the demo list shows; empty before the first listing.
    virtual const std::string& CurrentFolder() const = 0;
    // Lists a tree node's folder unless it is the folder already listed or a long operation runs.
    virtual void ListNode(core::FolderNode* node) = 0;
    // A listed demo of `bytes` was moved elsewhere or deleted: the listing's summary stops counting it.
    virtual void DemoLeftListing(uint64_t bytes) = 0;
    virtual bool PlayListShown() const = 0;
    virtual void SetPlayListShown(bool shown) = 0;
};

} // namespace gui
