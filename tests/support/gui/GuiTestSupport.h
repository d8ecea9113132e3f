#pragma once
// Shared by the widget tests: a registry of Qt Test classes run by one main, and a sandbox with a
// portable program folder and a game folder of generated demos, so that every test starts the
// real main window on files it made itself.
#include <QObject>
#include <QPoint>
#include <QTemporaryDir>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace core {
struct FolderNode;
}

namespace gui {
class MainWindow;
class ListPane;
} // namespace gui

namespace guitest {

bool RegisterTest(std::function<QObject*()> make);
std::vector<std::function<QObject*()>>& RegisteredTests();

#define VELMORA_GUI_TEST(Class)                                                                                        \
    static const bool Class##Registered = ::guitest::RegisterTest([] { return static_cast<QObject*>(new Class); });

class Sandbox {
public:
    Sandbox();
    ~Sandbox();

    std::filesystem::path Root() const;
    std::filesystem::path Program() const { return Root() / "program"; }
    std::filesystem::path Game() const { return Root() / "game"; }
    std::filesystem::path Config() const { return Program() / "Velmora.cfg"; }

    // A realistic demo of the protocol, `snapshots` long, written under the folder.
    void AddDemo(const std::filesystem::path& file, int protocol = 48, int snapshots = 200, uint32_t seed = 1);
    // A short demo in the modern format (".dm_66" ... ".dm_71") with the protocol and players.
    void AddModernDemo(const std::filesystem::path& file, int protocol,
                       const std::vector<std::string>& players = {"Sarge"});
    void WriteConfig(const std::string& text);
    std::string ReadConfig() const;

    // Resets the program-wide state and points the settings' paths at the program folder.
    void PrepareSettings();
    // Creates the main window and runs start-up with the configuration file as it is now;
    // `list` also shows the window and lists the start folder. Null when start-up failed.
    std::unique_ptr<gui::MainWindow> Start(bool list = true,
                                           std::function<QString(const QString&, const QString&)> chooser = {});

private:
    QTemporaryDir m_dir;
};

std::string ReadFile(const std::filesystem::path& path);
// The rows' "Demoname" texts, in list order.
QStringList Names(const gui::ListPane& pane);
// The centre of a row in the pane's current view, in viewport coordinates.
QPoint RowCentre(gui::ListPane& pane, int row);
// Sends a drag of `from`'s selection over `to` at `pos`, then drops it; returns whether the drop
// was accepted.
bool DragAndDrop(gui::ListPane& from, gui::ListPane& to, const QPoint& pos);
// Drags the demo list's selection onto a node of the folder tree; whether the drop was taken.
bool DropOnTreeNode(gui::MainWindow& window, core::FolderNode* node);

} // namespace guitest
