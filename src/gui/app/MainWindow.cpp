#include "gui/app/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <filesystem>

#include "core/index/IndexUpdater.h"
#include "core/library/FolderTreeOps.h"
#include "core/library/ScanCache.h"
#include "core/library/Scanner.h"
#include "core/playback/GameLaunch.h"
#include "core/playback/GamePrograms.h"
#include "core/playback/Mods.h"
#include "core/playback/PlayList.h"
#include "core/playback/VersionSwitch.h"
#include "core/settings/FolderTreeFile.h"
#include "gui/app/ApplicationIcon.h"
#include "gui/app/CommandBar.h"
#include "gui/app/WindowFeedback.h"
#include "gui/common/BusyScope.h"
#include "gui/common/MessageSink.h"
#include "gui/common/PaletteColours.h"
#include "gui/common/StatusPanels.h"
#include "gui/common/WindowPlacement.h"
#include "gui/details/DemoDetails.h"
#include "gui/details/PropertiesWindow.h"
#include "gui/extras/AboutBox.h"
#include "gui/extras/GameFont.h"
#include "gui/extras/HelpWindow.h"
#include "gui/extras/TipOfDay.h"
#include "gui/fileops/FileOperations.h"
#include "gui/lists/ColumnChooser.h"
#include "gui/lists/ColumnCommands.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/LibrarySearch.h"
#include "gui/lists/MomentsPane.h"
#include "gui/lists/PlayListPane.h"
#include "gui/lists/SearchBar.h"
#include "gui/playback/ClipOptionsDialog.h"
#include "gui/playback/MomentCommands.h"
#include "gui/playback/PlaybackCommands.h"
#include "gui/sound/ButtonSounds.h"
#include "gui/sound/SoundFailure.h"
#include "gui/sound/SoundOptionsWindow.h"
#include "gui/sound/SoundPump.h"
#include "gui/tree/FolderTreePane.h"
#include "gui/tree/SearchResultsNode.h"
#include "gui/video/VideoCommands.h"

namespace gui {
namespace {

constexpr int kMinimumPaneWidth = 30;
constexpr int kNoticeRetryMilliseconds = 200;

core::ColumnScheme LayoutFrom(const core::ListViewSettings& list, const core::ColumnScheme& defaults)
{
    core::ColumnScheme layout;
    for (size_t i = 0; i < layout.widths.size(); ++i) {
        const int width = list.ColumnWidth[i];
        layout.widths[i] = width == core::kCaptionWidth ? defaults.widths[i] : std::max(0, width);
        layout.order[i] = list.ColumnOrder[i];
    }
    return layout;
}

bool DarkPalette()
{
    return IsDarkPalette(QApplication::palette());
}

ListOptions OptionsFrom(const core::ListViewSettings& list, const core::ListViewSettings& defaults)
{
    ListOptions options;
    options.colour = ShownPaneColour(list.Colour, defaults.Colour, DarkPalette());
    options.viewStyle = list.ViewStyle;
    options.gridLines = list.GridStyle;
    options.fullRowSelect = list.FullRowSelect;
    options.highlight = list.AutoActivateItems;
    options.sortColumn = list.SortColumn;
    options.sortAscending = list.SortAscending;
    return options;
}

void StoreList(const ListPane& pane, int width, const core::ListViewSettings& defaults, core::ListViewSettings& list)
{
    const ListOptions options = pane.Options();
    list.width = width;
    list.Colour = StoredPaneColour(options.colour, defaults.Colour, DarkPalette());
    list.ViewStyle = options.viewStyle;
    list.GridStyle = options.gridLines;
    list.FullRowSelect = options.fullRowSelect;
    list.AutoActivateItems = options.highlight;
    list.SortColumn = options.sortColumn;
    list.SortAscending = options.sortAscending;
    const core::ColumnScheme columns = pane.Columns();
    for (size_t i = 0; i < columns.widths.size(); ++i) {
        list.ColumnWidth[i] = columns.widths[i];
        list.ColumnOrder[i] = columns.order[i];
    }
}

} // namespace

MainWindow::MainWindow(QWidget* parent) : PaneHost(parent), m_commands(this)
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Velmora 1.32"));
    setWindowIcon(ApplicationIcon());
    BuildPanes();
    WireCommands();
    // Playing, its options, the version menu and the playback dialogs; a child of the window.
    new PlaybackCommands(*this);
    ConnectVideoCommands(*this);
    // Properties, user data editor and the user data commands of the lists; a child of the window.
    new DemoDetails(*this);
    chooseFolder = [this](const QString& title, const QString& start) {
        return QFileDialog::getExistingDirectory(this, title, start);
    };
    choosePlayListFile = [this](bool save, const QString& folder) {
        const QString proposed = QDir(folder).filePath(QStringLiteral("Mydemos.vmr"));
        const QString filter = QStringLiteral("Quake III Arena Playlist File (*.vmr)");
        QFileDialog dialog(this, save ? QStringLiteral("Save Playlist") : QStringLiteral("Load Playlist"), proposed,
                           filter);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(QStringLiteral("vmr"));
        dialog.selectFile(proposed);
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().front()
                                                                                       : QString();
    };
    qApp->installEventFilter(this);
    new ScreenKeeper(this);
    resize(core::kDefaultClientWidth, core::kDefaultClientHeight + 90);
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
    // The file operations watch the panes' events and reach the panes through this window: they go
    // before the panes, whose destruction still sends events, while this window is whole.
    delete findChild<FileOperations*>(QString(), Qt::FindDirectChildrenOnly);
    delete findChild<ColumnCommands*>(QString(), Qt::FindDirectChildrenOnly);
}

void MainWindow::BuildPanes()
{
    m_commands.BuildMenus(*menuBar());
    m_commandBar = new CommandBar(m_commands, this);
    addToolBar(Qt::TopToolBarArea, m_commandBar);

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setChildrenCollapsible(false);
    m_tree = new FolderTreePane(m_splitter);
    // The search bar stands above the demo list, which shows what it finds.
    auto* listColumn = new QWidget(m_splitter);
    auto* column = new QVBoxLayout(listColumn);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    m_searchBar = new SearchBar(listColumn);
    m_listStack = new QStackedWidget(listColumn);
    m_demoList = new DemoListPane(m_listStack);
    m_moments = new MomentsPane(m_listStack);
    m_listStack->addWidget(m_demoList);
    m_listStack->addWidget(m_moments);
    column->addWidget(m_searchBar);
    column->addWidget(m_listStack, 1);
    m_resultsNode = new SearchResultsNode(m_tree);
    m_tree->AddBelowTree(m_resultsNode);
    m_playList = new PlayListPane(m_splitter);
    for (QWidget* pane : {static_cast<QWidget*>(m_tree), listColumn, static_cast<QWidget*>(m_playList)}) {
        pane->setMinimumWidth(kMinimumPaneWidth);
        m_splitter->addWidget(pane);
    }
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setStretchFactor(2, 0);
    setCentralWidget(m_splitter);
    m_playList->SetDemoList(m_demoList);

    m_status = new StatusPanels(this);
    setStatusBar(m_status);
    m_feedback = std::make_unique<WindowFeedback>(*m_status, *m_tree, *m_demoList);
    m_tree->SetFeedback(m_feedback.get());
    m_demoFiller = std::make_unique<ListFiller>(*m_demoList);
    m_playFiller = std::make_unique<ListFiller>(*m_playList);
    m_search = std::make_unique<LibrarySearch>(*m_searchBar, *m_resultsNode, *m_demoList, *m_demoFiller, *m_moments,
                                               *m_status);
    m_search->folders = [this] { return core::TreeFolders(m_tree->Tree()); };
    connect(m_search.get(), &LibrarySearch::resultsShown, this, [this] {
        // No folder is listed now: choosing the selected folder lists it again.
        m_currentFolder.clear();
        m_listing = {};
        m_status->SetFolderPath(QStringLiteral("Search results"));
    });
    connect(m_search.get(), &LibrarySearch::momentsShown, this, [this] {
        // The demo list keeps its rows (and its folder) for when the moments go again.
        const bool listHadFocus = m_demoList->CurrentView().hasFocus();
        m_listStack->setCurrentWidget(m_moments);
        if (listHadFocus)
            m_moments->View().setFocus();
        m_status->SetFolderPath(QStringLiteral("Search results"));
        m_status->SetListText(m_moments->Summary());
        m_momentsMenu->setEnabled(true);
    });
    connect(m_search.get(), &LibrarySearch::momentsLeft, this, [this] {
        const bool movesFocus = m_moments->View().hasFocus();
        m_listStack->setCurrentWidget(m_demoList);
        if (movesFocus)
            m_demoList->CurrentView().setFocus();
        m_status->SetFolderPath(m_currentFolder.empty() ? QStringLiteral("Search results") : PathText(m_currentFolder));
        m_status->SetListText(m_demoList->ShownText());
        m_momentsMenu->setEnabled(false);
    });
    connect(m_moments, &MomentsPane::statusText, this, [this](const QString& text) {
        if (m_search->ShowingMoments())
            m_status->SetListText(text);
    });
    new MomentCommands(*this, *m_moments);
    // The moments view's commands in a menu of their own, before "Help".
    m_momentsMenu = new QMenu(QStringLiteral("&Moments"), this);
    m_moments->AddCommands(*m_momentsMenu);
    menuBar()->insertMenu(menuBar()->actions().constLast(), m_momentsMenu);
    m_momentsMenu->setEnabled(false);
    connect(m_searchBar, &SearchBar::cleared, this, [this] {
        m_search->LeaveMoments();
        if (m_search->ShowingResults()) {
            m_search->LeaveResults();
            ListNode(m_tree->Tree().Selected());
        }
    });

    m_demoList->DetailsPart().setToolTip(
        QStringLiteral("* Demo List *\n\rUse drag & drop to create your own Demo Play List"));
    m_demoList->IconsPart().setToolTip(m_demoList->DetailsPart().toolTip());
    m_playList->DetailsPart().setToolTip(
        QStringLiteral("* Play List *\n\rUse drag & drop to remove or to reorder entries"));
    m_playList->IconsPart().setToolTip(m_playList->DetailsPart().toolTip());
    m_demoList->clicksBlocked = [] { return gui::BusyCount > 0; };
    // The two folder colours are the only settings written while the program runs.
    m_tree->storeColour = [](const char* key, uint32_t colour) {
        core::IniFile::UpdateFile(core::Settings.paths.configurationFile, "Virtual Folders", key,
                                  std::to_string(colour));
    };

    connect(m_splitter, &QSplitter::splitterMoved, this, &MainWindow::UpdateStatusWidths);
    connect(m_tree, &FolderTreePane::nodeChosen, this, &MainWindow::ListNode);
    connect(m_demoList, &DemoListPane::statusText, this, [this](const QString& text) { m_status->SetListText(text); });
    connect(m_playList, &PlayListPane::statusText, this,
            [this](const QString& text) { m_status->SetPlayListText(text); });
    connect(m_demoList, &DemoListPane::playListRowsDropped, m_playList, &PlayListPane::RemoveSelected);
    connect(m_demoList, &DemoListPane::commandsChanged, this,
            [this] { m_commands.playDemo->setEnabled(m_demoList->CanPlay()); });
    connect(m_playList, &ListPane::rowsChanged, this, &MainWindow::UpdatePlayListCommands);
    connect(m_demoList->MoveToPlayListAction(), &QAction::triggered, this, &MainWindow::MoveToPlayList);
    connect(m_demoList->RefreshAction(), &QAction::triggered, this, &MainWindow::RefreshList);
    connect(m_demoList->ReparseAction(), &QAction::triggered, this, &MainWindow::ReparseList);
    for (ListPane* pane : {static_cast<ListPane*>(m_demoList), static_cast<ListPane*>(m_playList)})
        connect(pane, &ListPane::backgroundChanged, this,
                [this] { m_commandBar->ShowListColours(m_demoList->Options().colour, m_playList->Options().colour); });
    m_commandBar->ShowListColours(m_demoList->Options().colour, m_playList->Options().colour);
    UpdatePlayListCommands();
    m_commands.playDemo->setEnabled(false);
}

void MainWindow::WireCommands()
{
    connect(m_commands.exit, &QAction::triggered, this, &QWidget::close);
    connect(m_commands.loadPlayList, &QAction::triggered, this, [this] {
        if (gui::BusyCount > 0)
            return;
        const QString file = choosePlayListFile(false, PathText(core::Settings.paths.playListDirectory));
        if (!file.isEmpty())
            LoadPlayList(file);
    });
    connect(m_commands.savePlayList, &QAction::triggered, this, [this] {
        if (m_playList->Model().rowCount() == 0)
            return;
        const QString file = choosePlayListFile(true, PathText(core::Settings.paths.playListDirectory));
        if (!file.isEmpty())
            SavePlayList(file);
    });
    connect(m_commands.demoPlayMenu, &QMenu::aboutToShow, this, &MainWindow::UpdatePlayListCommands);
    connect(m_commands.clipOptions, &QAction::triggered, this, [this] { ClipOptionsDialog::Run(this); });
    connect(m_commands.showPlayList, &QAction::triggered, this, [this](bool shown) { SetPlayListShown(shown); });
    connect(m_commands.noSplash, &QAction::toggled, this, [](bool on) { core::Settings.no_splash = on; });
    connect(m_commands.noHints, &QAction::toggled, this, &MainWindow::SetNoHints);
    connect(m_commands.readOnly, &QAction::triggered, this, &MainWindow::SetReadOnlyMode);
    connect(m_commands.help, &QAction::triggered, this, &MainWindow::ShowHelp);
    connect(m_commands.tipOfDay, &QAction::triggered, this, &MainWindow::ShowTipOfDay);
    connect(m_commands.about, &QAction::triggered, this, [this] { AboutBox::Run(this); });
    // F1 acts anywhere in the window, also while the menu bar's entry is not reachable.
    m_commands.help->setShortcutContext(Qt::WindowShortcut);
    addAction(m_commands.help);
    WireSound();
    // File operations, the column chooser and column schemes; children of the window.
    new FileOperations(*this);
    new ColumnCommands(*this);
}

// The fade timer and the click sounds. The clicks are connected before any command's own work,
// so that they sound first.
void MainWindow::WireSound()
{
    new SoundPump(core::Sound(), this);
    auto* clicks = new ButtonSounds(core::Sound(), this);
    clicks->AttachCommandBar(m_commands, *m_commandBar);
    clicks->ClickOnShortcut(m_commands.help, core::ButtonSound::Help);
    for (QAction* play : {m_commands.playDemo, m_demoList->PlayAction(), m_playList->PlayAction()})
        clicks->ClickOnEveryTrigger(play, core::ButtonSound::PlayIt);
    connect(m_commands.soundOptions, &QAction::triggered, this,
            [this] { SoundOptionsWindow::Toggle(m_soundOptionsWindow, core::Sound(), this); });
    // Switching sound or the map music back on restarts the music of the properties window shown.
    auto shownProperties = [this]() -> PropertiesWindow* {
        const DemoDetails* details = findChild<DemoDetails*>();
        PropertiesWindow* properties = details ? details->Properties() : nullptr;
        return properties && properties->isVisible() ? properties : nullptr;
    };
    MapMusicHooks().propertiesOpen = [shownProperties] { return shownProperties() != nullptr; };
    MapMusicHooks().startMapMusic = [shownProperties] {
        if (const PropertiesWindow* properties = shownProperties())
            ShowSoundOutcome(core::Sound().PlayMapMusic(properties->LevelShotPack(), properties->Demo().music));
    };
}

bool MainWindow::FindGameDirectory()
{
    core::SettingsRecord& settings = core::Settings;
    if (core::UsableGameFolder(settings.q3a_dir, settings.game_program)) {
        core::SetGameDirectory(settings, settings.q3a_dir);
        return true;
    }
    const QString picked = chooseFolder(QString::fromLatin1(core::kGameFolderChooserTitle), PathText(settings.q3a_dir));
    if (!picked.isEmpty()) {
        std::string folder = PathBytes(picked);
        if (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        if (core::UsableGameFolder(folder, settings.game_program)) {
            core::SetGameDirectory(settings, folder);
            return true;
        }
    }
    gui::Messages().Error(core::kGameNotFoundText, core::kGameNotFoundTitle);
    return false;
}

bool MainWindow::StartUp(const core::IniFile& config, const std::string& builtInGameDirectory)
{
    const core::ProgramPaths paths = core::Settings.paths;
    core::Settings = core::LoadSettings(config, builtInGameDirectory);
    core::Settings.paths = paths;
    if (!FindGameDirectory()) {
        // The settings file stays as it was: a game folder that is missing today (an unplugged
        // drive) must not cost the user every other setting.
        m_gameMissing = true;
        core::Settings.q3a_dir = core::kGameDirectoryError;
        return false;
    }
    setWindowTitle(QStringLiteral("Velmora 1.32"));
    core::CreateDataDirectories(core::Settings.paths);
    m_search->databaseFile =
        std::filesystem::path(core::Settings.paths.dataDirectory) / std::string(core::kLibraryIndexName);
    m_search->demoDataDirectory = core::Settings.paths.demoDataDirectory;
    ApplySettings();

    core::FolderTree& tree = m_tree->Tree();
    m_tree->Model().Change([&] { core::LoadFolderTree(tree, core::Settings.paths.folderTreeFile); });
    m_tree->SetGameDirectory(core::Settings.q3a_dir);
    // The clean-up looks for a running game's console FIFO in the mod folders too.
    core::DiscoverMods(core::Settings.q3a_dir, core::Settings.base_folder);
    core::CleanTempFiles(core::PlaybackSettingsFor(core::Settings));
    GameFontFamily();
    const bool soundWanted = core::Settings.sound_enable;
    if (!core::Sound().OpenAtStartUp() && soundWanted)
        m_soundNotice = QString::fromStdString(core::Sound().FailureText());
    return true;
}

void MainWindow::ApplySettings()
{
    const core::SettingsRecord& settings = core::Settings;
    const core::MainWindowSettings& place = settings.mainWindow;
    // A first start opens at about two thirds of the screen, centred (the window is not placed
    // here, so the placing rule centres it when it shows).
    const QRect cursorArea = ScreenAtCursor()->availableGeometry();
    QSize size = cursorArea.size() * 2 / 3;
    if (place.width && place.height && *place.width > 0 && *place.height > 0)
        size = QSize(*place.width, *place.height);
    // The stored place is the frame's. Given before the window is made, Qt and the window manager
    // put the frame there, so the window comes back exactly where it was left; a place given
    // later would be taken as the client area's and the window would creep by its title bar at
    // every start. A stored place that is off today's screens, or a size larger than the screen
    // (the file was edited, a screen is gone), is mended by the placing rule when it shows.
    if (place.left && place.top) {
        const QRect stored(QPoint(*place.left, *place.top), size);
        const QScreen* screen = ScreenHolding(stored);
        resize(size.boundedTo((screen ? screen->availableGeometry() : cursorArea).size()));
        move(stored.topLeft());
    } else {
        resize(size.boundedTo(cursorArea.size()));
    }

    const core::TreePaneSettings& folders = settings.virtualFolders;
    TreeOptions tree;
    tree.background = ShownPaneColour(folders.Colour, core::TreePaneSettings{}.Colour, DarkPalette());
    tree.bigIcons = folders.ViewStyle;
    tree.autoScroll = folders.AutoScroll;
    tree.colours = settings.FolderFontColours();
    m_tree->ApplyOptions(tree);
    m_treeWidth = std::max(kMinimumPaneWidth, folders.width);
    m_tree->setVisible(folders.visible);
    m_playListWidth = std::max(kMinimumPaneWidth, settings.playList.width);
    const int demoWidth = std::max(kMinimumPaneWidth, settings.demoList.width);
    m_splitter->setSizes({m_treeWidth, demoWidth, m_playListWidth});
    SetPlayListShown(settings.playList.visible);

    removeToolBar(m_commandBar);
    addToolBar(CommandBar::AreaOf(settings.toolbar_dockpos), m_commandBar);
    m_commandBar->show();

    m_demoList->ApplyOptions(OptionsFrom(settings.demoList, core::ListViewSettings::DemoListDefaults()));
    m_playList->ApplyOptions(OptionsFrom(settings.playList, core::ListViewSettings::PlayListDefaults()));
    m_demoList->ApplyColumns(LayoutFrom(settings.demoList, m_demoList->DefaultColumns()));
    m_playList->ApplyColumns(LayoutFrom(settings.playList, m_playList->DefaultColumns()));

    m_commands.noSplash->setChecked(settings.no_splash);
    m_commands.noHints->setChecked(settings.no_hints);
    SetNoHints(settings.no_hints);
    m_commands.modDemos->setChecked(settings.mod_demos);
    m_commands.timeDemos->setChecked(settings.time_demos);
    m_commands.loopDemos->setChecked(settings.loop_demos);
    (settings.restore_new_version ? m_commands.restore127 : m_commands.restore117)->setChecked(true);
    core::InitVersionMarks(core::Settings.game);
    ShowVersionMenu(m_commands);
    SetReadOnlyMode(settings.work_readonly);
    UpdateStatusWidths();
}

void MainWindow::ListStartFolder()
{
    core::SettingsRecord& settings = core::Settings;
    core::FolderTree& tree = m_tree->Tree();
    if (tree.Roots().empty()) {
        const std::string& game = settings.q3a_dir;
        const core::FolderColours colours = m_tree->Colours();
        m_tree->Model().Change([&] {
            core::FolderNode& root =
                tree.AddRoot(game, core::FolderHasDemos(game) ? colours.demoFolder : colours.nonDemoFolder);
            core::BuildFolderTree(tree, game, root, colours, *m_feedback);
        });
    } else {
        core::FolderNode* node = core::FindNodeByPath(tree, settings.SelectedFolder());
        m_tree->SelectNode(node ? node : tree.First());
    }
    // Selecting lists the node; a node that was selected before is listed here.
    if (core::FolderNode* selected = tree.Selected(); selected && m_currentFolder != core::NodePath(*selected))
        ListNode(selected);
}

void MainWindow::ListNode(core::FolderNode* node)
{
    if (!node || gui::BusyCount > 0)
        return;
    // Choosing a folder leaves the moments: the demo list comes back with the folder.
    m_search->LeaveMoments();
    const std::string path = core::NodePath(*node);
    // Escape since the last listing (while it ran or after it) lists the node again.
    if (!m_listingStop.stop_requested() && path == m_currentFolder)
        return; // already listed
    RunFolderListing(path);
}

void MainWindow::StartIndexing()
{
    m_search->StartIndexing();
}

void MainWindow::RunFolderListing(const std::string& folder)
{
    m_search->LeaveResults();
    m_leftListing = {};
    const gui::BusyScope busy; // the listing pumps the window's events
    core::ScanDemos(core::FolderScanArgument(folder), *m_demoFiller, *m_playFiller, *m_feedback, NewListingSettings(),
                    &m_listing);
    m_status->SetFolderPath(PathText(folder));
    m_currentFolder = folder;
    m_demoList->SortAgain();
}

core::ScanSettings MainWindow::NewListingSettings()
{
    core::ScanSettings scan = ScanSettingsNow();
    m_listingStop = std::stop_source();
    scan.stop = m_listingStop.get_token();
    return scan;
}

core::ScanSettings MainWindow::ScanSettingsNow() const
{
    core::ScanSettings scan = core::ScanSettingsFor(core::Settings);
    scan.colours = m_tree->Colours();
    return scan;
}

void MainWindow::RefreshList()
{
    if (m_search->ShowingResults()) {
        m_search->ShowResultsAgain();
        return;
    }
    core::FolderNode* node = m_tree->Tree().Selected();
    if (!node || gui::BusyCount > 0)
        return;
    RunFolderListing(core::NodePath(*node));
}

void MainWindow::ReparseList()
{
    core::FolderNode* node = m_tree->Tree().Selected();
    if (!node || gui::BusyCount > 0)
        return;
    core::RemoveScanCaches(m_currentFolder.empty() ? core::NodePath(*node) : m_currentFolder, ScanSettingsNow());
    RefreshList();
}

void MainWindow::DemoLeftListing(uint64_t bytes)
{
    if (m_leftListing.rows >= m_listing.rows)
        return;
    ++m_leftListing.rows;
    m_leftListing.bytes += bytes;
    m_leftListing.playSeconds += core::EstimatedPlaySeconds(bytes);
    core::ScanTotals shown = m_listing;
    shown.rows -= m_leftListing.rows;
    shown.bytes -= std::min(shown.bytes, m_leftListing.bytes);
    shown.playSeconds -= std::min(shown.playSeconds, m_leftListing.playSeconds);
    // Which of the demos came from the cache is not known any more; the listing's share stays.
    shown.fromCache = m_listing.rows ? static_cast<size_t>(core::RoundHalfEven(
                                           static_cast<double>(m_listing.fromCache) * static_cast<double>(shown.rows) /
                                           static_cast<double>(m_listing.rows)))
                                     : 0;
    m_demoList->SetSummary(QString::fromLatin1(core::ScanSummary(shown)));
}

void MainWindow::SetPlayListShown(bool shown)
{
    if (shown == PlayListShown() && m_playList->isVisibleTo(this) == shown) {
        m_commands.ShowPlayListShown(shown);
        return;
    }
    if (!shown) {
        // Only a width the user saw is remembered: before the window shows, the pane has none yet.
        if (m_playList->isVisible() && m_playList->width() >= kMinimumPaneWidth)
            m_playListWidth = m_playList->width();
        m_playList->hide();
        m_demoList->CurrentView().setFocus();
    } else {
        m_playList->show();
        QList<int> sizes = m_splitter->sizes();
        if (sizes.size() == 3) {
            // Shown again, the pane is at least as wide as at a first start, whatever narrow width
            // it was left with.
            const int wanted = std::max(m_playListWidth, core::ListViewSettings::PlayListDefaults().width);
            const int total = sizes[1] + sizes[2];
            sizes[2] = std::min(wanted, std::max(kMinimumPaneWidth, total - kMinimumPaneWidth));
            sizes[1] = std::max(kMinimumPaneWidth, total - sizes[2]);
            m_splitter->setSizes(sizes);
        }
    }
    m_commands.ShowPlayListShown(shown);
    UpdateStatusWidths();
}

bool MainWindow::PlayListShown() const
{
    return !m_playList->isHidden();
}

void MainWindow::MoveToPlayList()
{
    if (!m_demoList->SelectionMayEnterPlayList())
        return;
    if (!PlayListShown())
        SetPlayListShown(true);
    m_playList->AddFromDemoList(-1);
}

void MainWindow::LoadPlayList(const QString& file)
{
    if (gui::BusyCount > 0)
        return;
    if (!PlayListShown())
        SetPlayListShown(true);
    // The whole load counts as one long operation: no close and no listing in between.
    const auto loaded = [&] {
        const gui::BusyScope busy;
        return core::LoadPlayListFile(PathBytes(file), *m_playFiller, *m_feedback, NewListingSettings());
    }();
    if (!loaded) {
        gui::Messages().Information(loaded.text(), core::kLoadPlayListErrorTitle);
        return;
    }
    const core::PlayListLoadResult& result = *loaded;
    m_status->SetPlayListText(QString::fromLatin1(result.statusText));
    m_playList->SetNameLabel(result.labelText == core::kPlayListCorrupted ? QString::fromLatin1(result.labelText)
                                                                          : PathText(result.labelText));
    UpdatePlayListCommands();
}

void MainWindow::SavePlayList(const QString& file)
{
    std::vector<core::DemoInfo> rows;
    rows.reserve(m_playList->Model().Rows().size());
    for (const ListRow& row : m_playList->Model().Rows())
        rows.push_back(row.info);
    // A play list that did not reach the disk is reported, so that nobody relies on it.
    if (!core::SavePlayListFile(PathBytes(file), rows))
        gui::Messages().Error("main.SavePlayList: " + PathBytes(file), "VMR: File Save Error");
}

void MainWindow::UpdatePlayListCommands()
{
    const bool any = m_playList->Model().rowCount() > 0;
    m_commands.savePlayList->setEnabled(any);
    m_commands.playList->setEnabled(any);
    m_commands.playListAndExit->setEnabled(any);
}

void MainWindow::UpdateStatusWidths()
{
    const int tree = m_tree->isVisibleTo(this) ? m_tree->width() : 0;
    m_status->SetPanelWidths(tree, PlayListShown() ? m_demoList->width() : StatusPanels::kToEdge);
}

void MainWindow::SetReadOnlyMode(bool on)
{
    core::Settings.work_readonly = on;
    m_commandBar->ShowReadOnly(on);
    m_demoList->SetReadOnlyMode(on);
    m_tree->SetReadOnlyMode(on);
}

void MainWindow::SetNoHints(bool on)
{
    core::Settings.no_hints = on;
    m_noHints = on;
}

HelpWindow* MainWindow::Help() const
{
    return m_help;
}

void MainWindow::ShowHelp()
{
    HelpWindow::Toggle(m_help, this);
}

// F1 in a tool window or dialog opens the help at that window's page. A modal dialog keeps the
// help as its own child, so that the help stays usable while the dialog waits.
bool MainWindow::ShowsHelpOfToolWindow(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    if (static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    QWidget* top = widget ? widget->window() : nullptr;
    const QString page = top && top != this ? HelpWindow::PageFor(top->objectName()) : QString();
    if (page.isEmpty())
        return false;
    // Taken from the main window's F1 shortcut, which would open the contents instead.
    event->accept();
    if (event->type() == QEvent::KeyPress)
        HelpWindow::Open(m_help, top->isModal() ? top : this, page);
    return true;
}

void MainWindow::HoldNotices()
{
    m_noticesHeld = true;
}

void MainWindow::ShowStartNotices(bool tipOfDay)
{
    if (tipOfDay)
        m_commands.tipOfDay->trigger();
    m_noticesHeld = false;
    ShowSoundNotice();
}

void MainWindow::ShowTipOfDay()
{
    core::Settings.tip_of_day = TipOfDay::Run(this, core::Settings.tip_of_day);
    // A notice that waited beside the tip gets the keyboard once the tip is gone.
    for (QMessageBox* notice : findChildren<QMessageBox*>(QString(), Qt::FindDirectChildrenOnly))
        if (notice->isVisible()) {
            ShowActive(*notice);
            break;
        }
}

void MainWindow::BringToFront()
{
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void MainWindow::CollectSettings()
{
    core::SettingsRecord& settings = core::Settings;
    settings.toolbar_dockpos = CommandBar::DockPositionOf(toolBarArea(m_commandBar));
    if (const core::FolderNode* node = m_tree->Tree().Selected())
        settings.Selected_Folder = core::NodePath(*node);
    settings.mainWindow.left = x();
    settings.mainWindow.top = y();
    settings.mainWindow.width = width();
    settings.mainWindow.height = height();

    core::TreePaneSettings& folders = settings.virtualFolders;
    const TreeOptions tree = m_tree->Options();
    folders.width = m_tree->isVisibleTo(this) ? m_tree->width() : m_treeWidth;
    folders.visible = !m_tree->isHidden();
    folders.ViewStyle = tree.bigIcons;
    folders.AutoScroll = tree.autoScroll;
    folders.Colour = StoredPaneColour(tree.background, core::TreePaneSettings{}.Colour, DarkPalette());
    folders.DemoFolderFontColour = tree.colours.demoFolder;
    folders.NonDemoFolderFontColour = tree.colours.nonDemoFolder;

    StoreList(*m_demoList, m_demoList->width(), core::ListViewSettings::DemoListDefaults(), settings.demoList);
    StoreList(*m_playList, PlayListShown() ? m_playList->width() : m_playListWidth,
              core::ListViewSettings::PlayListDefaults(), settings.playList);
    settings.playList.visible = PlayListShown();
}

bool MainWindow::WriteConfiguration()
{
    CollectSettings();
    return core::WriteConfiguration(core::Settings, core::Settings.paths.configurationFile);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // While a long operation runs, its window and data must stay; the count is left alone so
    // that the operation's own guards keep working.
    if (gui::BusyCount > 0) {
        event->ignore();
        return;
    }
    if (!m_gameMissing) {
        const core::PlaybackSettings playback = core::PlaybackSettingsFor(core::Settings);
        ShowPlayOutcome({}, RunPlayCommand([&] { return core::SwitchVersionAtExit(playback); }));
        core::CleanTempFiles(playback);
        core::Sound().Close();
        core::SaveFolderTree(m_tree->Tree(), core::Settings.paths.folderTreeFile);
        WriteConfiguration();
    }
    event->accept();
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        if (!m_soundNotice.isEmpty())
            QTimer::singleShot(0, this, &MainWindow::ShowSoundNotice);
    }
    UpdateStatusWidths();
}

void MainWindow::ShowSoundNotice()
{
    if (m_soundNotice.isEmpty() || m_noticesHeld)
        return;
    // One notice at a time: a dialog that waits for an answer (the tip of the day at start-up)
    // goes first, the notice follows when it is closed; under a modal dialog it could not even
    // be closed.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(kNoticeRetryMilliseconds, this, &MainWindow::ShowSoundNotice);
        return;
    }
    // Told once, beside the window: a box that waits for an answer would stop every start on a
    // machine without sound, and sound stays off until the user switches it on again.
    auto* notice =
        new QMessageBox(QMessageBox::Information, QStringLiteral("Sound"), m_soundNotice, QMessageBox::Ok, this);
    notice->setObjectName(QStringLiteral("SoundNotice"));
    notice->setAttribute(Qt::WA_DeleteOnClose);
    notice->setWindowModality(Qt::NonModal);
    notice->show();
    m_soundNotice.clear();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    UpdateStatusWidths();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip && m_noHints)
        return true;
    if (ShowsHelpOfToolWindow(watched, event))
        return true;
    // In the menu bar Escape leaves the menus and gives the keyboard back to the window.
    if (qobject_cast<QMenuBar*>(watched))
        return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            // Escape anywhere in the window stops the listing that runs; the key goes no further.
            // The index update on its own thread has a token of its own and goes on.
            m_listingStop.request_stop();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace gui
