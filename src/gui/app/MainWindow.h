#pragma once
// The main window (MainWindow): the folder tree, the demo list and the play list side by side, the
// command bar, the main menu and the status bar. It owns the panes and wires them to the demo
// library; start-up and shut-down read and write the settings record through it.
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

#include "core/library/FolderTree.h"
#include "core/library/Scanner.h"
#include "core/settings/IniFile.h"
#include "core/settings/Settings.h"
#include "gui/common/Commands.h"
#include "gui/common/PaneHost.h"
#include "gui/lists/ListFiller.h"

class QMenu;
class QSplitter;
class QStackedWidget;

namespace gui {

class CommandBar;
class DemoListPane;
class LibrarySearch;
class MomentsPane;
class SearchBar;
class SearchResultsNode;
class FolderTreePane;
class PlayListPane;
class StatusPanels;
class SoundOptionsWindow;
class HelpWindow;
class WindowFeedback;

class MainWindow : public PaneHost {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up from the game directory check to the folder tree file, with the settings read from
    // `config` into core::Settings (whose paths must be set). False after the fatal message when
    // no game was found: the program then ends without writing anything.
    bool StartUp(const core::IniFile& config, const std::string& builtInGameDirectory);
    // Start-up's last step once the window shows: fills an empty tree with the game directory and
    // lists the folder selected last.
    void ListStartFolder();
    // Start-up's notices come one at a time, after the listing: held from here (before the window
    // shows) until ShowStartNotices, which offers the tip of the day when `tipOfDay`, then tells
    // what else there is to tell (sound that could not be opened).
    void HoldNotices();
    void ShowStartNotices(bool tipOfDay);
    // Restores the window from the minimised state and brings it to the front.
    void BringToFront();

    FolderTreePane& TreePane() override { return *m_tree; }
    DemoListPane& DemoList() override { return *m_demoList; }
    PlayListPane& PlayList() override { return *m_playList; }
    StatusPanels& Status() override { return *m_status; }
    CommandBar& Bar() { return *m_commandBar; }
    Commands& Cmds() override { return m_commands; }
    WindowFeedback& Feedback() { return *m_feedback; }
    // The help window while it is open.
    HelpWindow* Help() const;
    const std::string& CurrentFolder() const override { return m_currentFolder; }
    SearchBar& SearchField() { return *m_searchBar; }
    // The moments of a moment search, shown in the demo list's place.
    MomentsPane& MomentsView() { return *m_moments; }
    SearchResultsNode& ResultsNode() { return *m_resultsNode; }
    LibrarySearch& Search() { return *m_search; }
    // Brings the library index up to date in the background (start-up does this once the window shows).
    void StartIndexing();

    // Lists a tree node's folder unless it is the folder already listed (and no listing was
    // stopped with Escape) or a long operation runs.
    void ListNode(core::FolderNode* node) override;
    void RefreshList();
    void ReparseList();
    // A listed demo of `bytes` was moved elsewhere or deleted: the listing's summary stops counting it.
    void DemoLeftListing(uint64_t bytes) override;
    void SetPlayListShown(bool shown) override;
    bool PlayListShown() const override;
    void MoveToPlayList();
    void LoadPlayList(const QString& file);
    void SavePlayList(const QString& file);

    // Copies the window's state into core::Settings and writes the configuration file.
    void CollectSettings();
    bool WriteConfiguration();

    // Asks for a folder (start-up's game directory search); empty when cancelled.
    std::function<QString(const QString& title, const QString& start)> chooseFolder;
    // Asks for a play list file to open (save false) or to write (save true); empty when cancelled.
    std::function<QString(bool save, const QString& folder)> choosePlayListFile;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildPanes();
    void WireCommands();
    void ApplySettings();
    bool FindGameDirectory();
    void RunFolderListing(const std::string& folder);
    void UpdatePlayListCommands();
    void UpdateStatusWidths();
    void SetReadOnlyMode(bool on);
    void SetNoHints(bool on);
    void ShowHelp();
    bool ShowsHelpOfToolWindow(QObject* watched, QEvent* event);
    void ShowTipOfDay();
    void WireSound();
    void ShowSoundNotice();
    core::ScanSettings ScanSettingsNow() const;
    // The settings of a listing that starts now, with a stop token of its own for Escape.
    core::ScanSettings NewListingSettings();

    Commands m_commands;
    QSplitter* m_splitter = nullptr;
    FolderTreePane* m_tree = nullptr;
    DemoListPane* m_demoList = nullptr;
    MomentsPane* m_moments = nullptr;
    QStackedWidget* m_listStack = nullptr; // the demo list or the moments view
    QMenu* m_momentsMenu = nullptr;        // the moments view's commands
    PlayListPane* m_playList = nullptr;
    StatusPanels* m_status = nullptr;
    CommandBar* m_commandBar = nullptr;
    std::unique_ptr<WindowFeedback> m_feedback;
    std::unique_ptr<ListFiller> m_demoFiller;
    std::unique_ptr<ListFiller> m_playFiller;
    SearchBar* m_searchBar = nullptr;
    SearchResultsNode* m_resultsNode = nullptr;
    std::unique_ptr<LibrarySearch> m_search;
    std::string m_currentFolder;
    core::ScanTotals m_listing;     // of the last folder listing
    std::stop_source m_listingStop; // of the last listing: Escape asks it to stop
    core::ScanTotals m_leftListing; // rows, bytes and play time of the demos moved or deleted since
    int m_playListWidth = 200;
    int m_treeWidth = 200;
    bool m_gameMissing = false;
    bool m_shownOnce = false;
    bool m_noHints = false;
    bool m_noticesHeld = false;                        // start-up has notices of its own to show first
    QString m_soundNotice;                             // why sound is off, told once the window shows
    QPointer<SoundOptionsWindow> m_soundOptionsWindow; // the sound options window while it is open
    QPointer<HelpWindow> m_help;                       // the help window while it is open
};

} // namespace gui
