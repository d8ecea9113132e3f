#include "gui/details/PropertiesWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTabWidget>
#include <QTextEdit>
#include <QVBoxLayout>

#include <cmath>
#include <filesystem>

#include "core/convert/DemoClip.h"
#include "core/details/DetailRules.h"
#include "core/library/FolderTreeOps.h"
#include "core/playback/GameLaunch.h"
#include "core/playback/Mods.h"
#include "core/playback/PlayFromMoment.h"
#include "core/playback/PlayList.h"
#include "core/row/DemoInfo.h"
#include "core/settings/Settings.h"
#include "core/sound/SoundSystem.h"
#include "core/summary/QuakeLive.h"
#include "gui/common/BusyScope.h"
#include "gui/common/CommandIcons.h"
#include "gui/common/MessageSink.h"
#include "gui/common/PaneHost.h"
#include "gui/common/WindowPlacement.h"
#include "gui/details/ColouredText.h"
#include "gui/details/DemoDetails.h"
#include "gui/details/DescriptionFailure.h"
#include "gui/details/EventsTab.h"
#include "gui/details/FadingPicture.h"
#include "gui/details/PackPicture.h"
#include "gui/details/PictureWindow.h"
#include "gui/details/PlayerWindow.h"
#include "gui/details/StatisticsTab.h"
#include "gui/details/UserDataEditor.h"
#include "gui/details/UserTab.h"
#include "gui/lists/ListViews.h"
#include "gui/lists/PlayListPane.h"
#include "gui/playback/PlaybackCommands.h"
#include "gui/tree/FolderTreePane.h"
#include "gui/video/VideoExportWindow.h"

namespace gui {

namespace {

constexpr int kShotWidth = 256;
constexpr int kShotHeight = 192;
const QColor kListBackground(72, 72, 88);

const char* const kSampleName = "^1S^2a^3m^4p^5l^6e ^7P^0l^1a^2y^3e^4r";
const char* const kSampleDescription =
    "\r\nThis is a sample description.\r\n\r\nClick the 'Userdata' button to add your demo comments here.";

QPixmap DrawIcon(const QColor& fill, const QString& mark, const QColor& ink)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    QFont font = p.font();
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.setPen(ink);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, mark);
    return pixmap;
}

// The level shot box's picture for a map without one: the game's words on black, drawn at twice
// the screen's resolution at least, so that it stays sharp when scaled.
QImage NoLevelShotImage(qreal screenRatio)
{
    const qreal ratio = std::max<qreal>(2.0, std::ceil(screenRatio));
    QImage image(QSize(kShotWidth, kShotHeight) * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font = painter.font();
    font.setPixelSize(kShotHeight / 6);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, kShotWidth, kShotHeight), Qt::AlignCenter, QStringLiteral("no\nlevelshot\n(yet)"));
    return image;
}

// The member path of a demo inside its archive, or the demo's file.
std::pair<std::string, std::string> DemoSource(const ListRow& row)
{
    const core::DemoInfo& info = row.info;
    if (core::IsArchiveMember(row.sourceKind)) {
        const std::string& folder = info[core::FieldArchiveLocation];
        return {folder.empty() ? info[core::FieldDemoname] : folder + "\\" + info[core::FieldDemoname],
                info[core::FieldLocation]};
    }
    return {info[core::FieldLocation] + "/" + info[core::FieldDemoname], std::string()};
}

} // namespace

QString ShownDemoName(const QString& demoName)
{
    const qsizetype colon = demoName.indexOf(QLatin1Char(':'));
    // Counted in characters, so that a name in a multi-byte encoding is never cut inside one.
    return demoName.mid(colon < 0 ? 0 : colon + 1, 100);
}

const std::vector<QPixmap>& PlayerIcons()
{
    static const std::vector<QPixmap> icons = [] {
        std::vector<QPixmap> list;
        for (int skill = 1; skill <= 5; ++skill)
            list.push_back(DrawIcon(QColor(200, 200, 200), QString::number(skill), Qt::black));
        list.push_back(DrawIcon(QColor(230, 230, 120), QStringLiteral("S"), Qt::black));
        // Leaders: the side's initial on its team colour.
        for (const char* side : {"C", "I", "P", "S", "F"}) {
            list.push_back(DrawIcon(QColor(210, 30, 30), QString::fromLatin1(side), Qt::white));
            list.push_back(DrawIcon(QColor(30, 60, 210), QString::fromLatin1(side), Qt::white));
        }
        return list;
    }();
    return icons;
}

core::DemoState ShownDemoRead(core::DemoRead read)
{
    if (!read) {
        if (!read.text().empty())
            gui::Messages().Error(read.text(), "Debug");
        core::DemoState nothing = core::UnreadDemo();
        if (!read.text().empty())
            nothing.courseLog.push_back("^1" + read.text());
        return nothing;
    }
    for (const std::string& message : read->debugMessages)
        gui::Messages().Error(message, "Debug");
    return std::move(read).value();
}

PropertiesWindow::PropertiesWindow(DemoDetails& details, QWidget* parent)
    : ToolWindow(parent, Qt::Tool), m_details(details)
{
    setObjectName(QStringLiteral("PropertiesWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    SetDragsSuspended(true); // until the window is freed
    setWindowTitle(QStringLiteral("Properties"));

    m_tabs = new QTabWidget(this);
    m_tabs->addTab(BuildGeneralTab(), QStringLiteral("General"));
    m_tabs->addTab(BuildServerTab(), QStringLiteral("Server Details"));
    m_course = new QListWidget(this);
    m_course->setObjectName(QStringLiteral("CourseList"));
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_course->setFont(fixed);
    m_course->setItemDelegate(new ColouredTextDelegate(true, kListBackground, m_course));
    m_course->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_course->setStyleSheet(QStringLiteral("QListWidget { background: rgb(72,72,88); }"));
    m_tabs->addTab(m_course, QStringLiteral("Course"));
    m_events = new EventsTab(this);
    m_tabs->addTab(m_events, QStringLiteral("Events"));
    // The player description shows figures counted from the events once they are read.
    connect(m_events, &EventsTab::eventsShown, this, [this] {
        if (m_playerWindow)
            m_playerWindow->ShowFigures();
    });
    connect(m_events, &EventsTab::playFromRequested, this, [this](qint64 time) { PlayFrom(time); });
    // A course line plays from its time too; match lines need the level's start from the events.
    connect(m_course, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        const core::DemoEventsResult& events = m_events->Result();
        const QByteArray line = item->data(RawTextRole).toByteArray();
        if (const auto time = core::CourseLineDemoTime(std::string_view(line.constData(), line.size()),
                                                       events.levelStartServerTime, events.firstServerTime))
            PlayFrom(*time);
    });
    connect(m_events, &EventsTab::saveClipRequested, this, [this](qint64 from, qint64 to) { SaveClip(from, to); });
    connect(m_events, &EventsTab::exportVideoRequested, this, [this](qint64 from, qint64 to) {
        if (gui::BusyCount == 0 && m_play->isEnabled())
            ExportVideo(this, m_row.info, m_source.first, m_source.second, from, to);
    });
    askClipFolder = [this](const QString& preset) -> std::optional<QString> {
        const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Save clip into"), preset);
        if (folder.isEmpty())
            return std::nullopt;
        return folder;
    };
    m_statistics = new StatisticsTab(this);
    m_tabs->addTab(m_statistics, QStringLiteral("Statistics"));
    connect(m_statistics, &StatisticsTab::statisticsShown, this, [this] {
        if (m_playerWindow)
            m_playerWindow->ShowStatistics();
    });
    m_user = new UserTab(details, this);
    m_tabs->addTab(m_user, QStringLiteral("User"));

    m_play = new QPushButton(QStringLiteral("Play it"), this);
    m_playList = new QPushButton(QStringLiteral("Playlist"), this);
    m_exportVideo = new QPushButton(QStringLiteral("Export video..."), this);
    m_userData = new QPushButton(QStringLiteral("&Userdata"), this);
    m_close = new QPushButton(QStringLiteral("&Close"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_play);
    buttons->addWidget(m_playList);
    buttons->addWidget(m_exportVideo);
    buttons->addStretch(1);
    buttons->addWidget(m_userData);
    buttons->addWidget(m_close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(buttons);

    connect(m_play, &QPushButton::clicked, this, &PropertiesWindow::PlayIt);
    connect(m_exportVideo, &QPushButton::clicked, this, [this] {
        if (gui::BusyCount == 0)
            ExportVideo(this, m_row.info, m_source.first, m_source.second);
    });
    connect(m_playList, &QPushButton::clicked, this, &PropertiesWindow::TogglePlayList);
    connect(m_userData, &QPushButton::clicked, this,
            [this] { m_details.OpenEditorFor(m_row.info[core::FieldDemoname], m_row.info[core::FieldLocation]); });
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_picture, &FadingPicture::clicked, this, [this] {
        const QImage& shot = m_picture->Image();
        if (m_hasLevelShot && shot.width() > 128 && shot.height() > 128)
            (new PictureWindow(shot, this))->show();
    });
    connect(m_players, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { OpenPlayer(m_players->row(item)); });
    m_players->installEventFilter(this);
    // Ctrl+Tab and Ctrl+PgDn go through the tabs wherever the focus is, also in the lists and
    // the events table, which would take the keys for themselves.
    const std::pair<QKeySequence, int> tabKeys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
        {QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
        {QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1},
    };
    for (const auto& [key, step] : tabKeys) {
        auto* action = new QAction(this);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, [this, step = step] {
            const int count = m_tabs->count();
            m_tabs->setCurrentIndex((m_tabs->currentIndex() + step + count) % count);
        });
    }
    SetPlayListState(true);
}

PropertiesWindow::~PropertiesWindow()
{
    SetDragsSuspended(false);
}

PlayerWindow* PropertiesWindow::ShownPlayerWindow() const
{
    return m_playerWindow;
}

QWidget* PropertiesWindow::BuildGeneralTab()
{
    m_generalTab = new QWidget(this);
    m_generalTab->installEventFilter(this);
    m_mapTitle = new QLabel(m_generalTab);
    m_mapTitle->setObjectName(QStringLiteral("MapTitle"));
    QFont titleFont = m_mapTitle->font();
    titleFont.setBold(true);
    m_mapTitle->setFont(titleFont);
    m_picture = new FadingPicture(m_generalTab);
    m_picture->setObjectName(QStringLiteral("LevelShot"));
    m_picture->setFixedSize(kShotWidth, kShotHeight);

    auto* form = new QFormLayout;
    for (const char* caption : {"Name:", "Size:", "Playtime:", "Recorded:", "Map:", "Version:", "Gametype:", "Mod:",
                                "Timelimit:", "Fraglimit:", "Capturelimit:", "Final Score:"})
        AddValue(*form, QString::fromLatin1(caption));
    // Shown for the demos of the DeFRaG mod only.
    AddValue(*form, QStringLiteral("Run time:"));
    m_generalForm = form;

    auto* playersBox = new QGroupBox(QStringLiteral("Players"), m_generalTab);
    m_players = new QListWidget(playersBox);
    m_players->setObjectName(QStringLiteral("PlayerList"));
    auto* delegate = new ColouredTextDelegate(false, kListBackground, m_players);
    delegate->SetIcons(PlayerIcons());
    m_players->setItemDelegate(delegate);
    m_players->setStyleSheet(QStringLiteral("QListWidget { background: rgb(72,72,88); }"));
    m_players->setMouseTracking(true);
    m_players->viewport()->installEventFilter(this);
    auto* boxLayout = new QVBoxLayout(playersBox);
    boxLayout->addWidget(m_players);

    // The map title is placed over the picture, or across the whole tab when it is wider than the
    // picture: every column starts below it.
    const int titleSpace = QFontMetrics(titleFont).height() + 4;
    auto* left = new QVBoxLayout;
    left->addSpacing(titleSpace);
    left->addWidget(m_picture);
    left->addStretch(1);
    auto* middle = new QVBoxLayout;
    middle->addSpacing(titleSpace);
    middle->addLayout(form);
    middle->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addSpacing(titleSpace);
    right->addWidget(playersBox, 1);
    m_players->setMinimumWidth(QFontMetrics(m_players->font()).horizontalAdvance(QLatin1Char('M')) * 14);
    auto* layout = new QHBoxLayout(m_generalTab);
    layout->addLayout(left);
    layout->addLayout(middle, 3);
    layout->addLayout(right, 2);
    m_picture->installEventFilter(this);
    m_picture->setMouseTracking(true);
    return m_generalTab;
}

QWidget* PropertiesWindow::BuildServerTab()
{
    auto* tab = new QWidget(this);
    auto* form = new QFormLayout(tab);
    for (const char* caption : {"Hostname:", "Server ID:", "Network Protocol:", "Pure Server:", "Cheats enabled:",
                                "Flood Protect:", "Passwd needed:", "Private Clients:", "Max Game Clients:",
                                "Max Clients:", "Max Rate:", "Max Ping:", "Min Ping:"})
        AddValue(*form, QString::fromLatin1(caption));
    return tab;
}

QLabel* PropertiesWindow::AddValue(QFormLayout& form, const QString& caption)
{
    auto* value = new QLabel(this);
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form.addRow(caption, value);
    m_values[caption] = value;
    return value;
}

void PropertiesWindow::SetValue(const QString& caption, const std::string& value)
{
    if (auto it = m_values.find(caption); it != m_values.end())
        it->second->setText(Latin1(value));
}

QString PropertiesWindow::Value(const QString& caption) const
{
    auto it = m_values.find(caption);
    return it == m_values.end() ? QString() : it->second->text();
}

QString PropertiesWindow::MapTitleText() const
{
    return m_mapTitle->text();
}

const QImage& PropertiesWindow::LevelShot() const
{
    return m_picture->Image();
}

void PropertiesWindow::FillFromList(const ListRow& row, bool fromPlayList)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    core::Sound().FadeOutMusic();

    m_row = row;
    SetPlayListState(!fromPlayList);
    const bool playable = core::IsPlayable(row.info);
    m_play->setEnabled(playable);
    m_playList->setEnabled(playable);
    m_exportVideo->setEnabled(playable);

    const auto [name, archive] = DemoSource(row);
    m_source = {name, archive};
    m_demo = ShownDemoRead(core::LoadDemo(name, archive, true));
    if (!m_demo.recorded) {
        // Not read: the row still knows the file.
        m_demo.size = row.info.keys.bytes.value_or(0);
        m_demo.recorded = row.info.keys.recorded;
    }

    FindLevelShot();
    m_user->SetBackground(m_picture->Image());
    FillGeneral();
    FillServer();
    FillPlayers();
    FillCourse();
    // The events take a full decode of the demo: they come on their own thread, the tab fills
    // when they are there.
    m_events->Load(name, archive);
    m_statistics->Load(name, archive);
    FillUser();
    QApplication::restoreOverrideCursor();
}

void PropertiesWindow::StartFade()
{
    m_picture->StartFade();
}

void PropertiesWindow::FindLevelShot()
{
    const core::SettingsRecord& settings = core::Settings;
    const std::string& map = m_row.info[core::FieldMap];
    const std::string& mainPack = settings.game.mainPack;
    m_levelShotPack = mainPack;
    core::Picture picture;
    bool found = false;
    if (core::IsStandardMap(map)) {
        found = LoadPackPicture(mainPack, "levelshots\\" + map + ".jpg", picture);
    } else {
        core::LevelShotSearch search;
        search.gameDirectory = settings.game.gameDirectory;
        search.baseFolder = settings.base_folder;
        search.baseDirectory = settings.game.baseDirectory;
        search.referencedPaks = core::InfoValueOf(m_demo, "sv_referencedPakNames");
        search.modDirectory =
            core::FindModDir(core::InfoValueOf(m_demo, "fs_game"), core::PlaybackSettingsFor(settings));
        for (const std::string& candidate : core::LevelShotCandidates(map, search)) {
            const std::string pack = search.gameDirectory + "/" + candidate;
            if (LoadPackPicture(pack, "levelshots\\" + map + ".jpg", picture) ||
                LoadPackPicture(pack, "levelshots\\" + map + ".tga", picture)) {
                m_levelShotPack = pack;
                found = true;
                break;
            }
        }
    }
    m_hasLevelShot = found;
    // No level shot of the map: the game's own stand-in (menu/art/unknownmap.jpg) is a bitmap of
    // 64 pixels that would be blown up four times and more; its words are drawn instead, sharp
    // at every scale.
    m_picture->SetImage(found ? ImageFromPicture(picture) : NoLevelShotImage(m_picture->devicePixelRatioF()),
                        isVisible());
}

void PropertiesWindow::FillGeneral()
{
    const core::DemoInfo& info = m_row.info;
    setWindowTitle(QStringLiteral("Properties of ") + FieldText(info, core::FieldDemoname));
    if (auto it = m_values.find(QStringLiteral("Name:")); it != m_values.end())
        it->second->setText(ShownDemoName(FieldText(info, core::FieldDemoname)));
    SetValue(QStringLiteral("Size:"), core::FormatReaderSize(m_demo.size));
    SetValue(QStringLiteral("Playtime:"), info[core::FieldPlaytime]);
    SetValue(QStringLiteral("Recorded:"), m_demo.recorded ? core::DosDateTimeText(*m_demo.recorded) : std::string());
    const std::string& map = info[core::FieldMap];
    SetValue(QStringLiteral("Map:"), map == "n/a" ? std::string("N/A") : map + ".bsp");
    m_mapTitle->setText(Latin1(m_demo.mapTitle));
    SetValue(QStringLiteral("Version:"), core::InfoValueOf(m_demo, "version"));
    const std::string gameType = core::InfoValueOf(m_demo, "g_gametype");
    SetValue(QStringLiteral("Gametype:"), core::IsQuakeLiveProtocol(m_demo.protocol)
                                              ? core::QuakeLiveGameTypeName(gameType)
                                              : core::GameTypeText(gameType, info[core::FieldMod]));
    SetValue(QStringLiteral("Mod:"),
             core::ModText(core::InfoValueOf(m_demo, "fs_game"), core::InfoValueOf(m_demo, "gamename")));
    SetValue(QStringLiteral("Timelimit:"), core::NotSetText(core::InfoValueOf(m_demo, "timelimit")));
    SetValue(QStringLiteral("Fraglimit:"), core::NotSetText(core::InfoValueOf(m_demo, "fraglimit")));
    SetValue(QStringLiteral("Capturelimit:"), core::NotSetText(core::InfoValueOf(m_demo, "capturelimit")));
    SetValue(QStringLiteral("Final Score:"), info[core::FieldFinalScore]);
    const std::optional<core::DefragRun>& run = m_demo.defrag;
    m_generalForm->setRowVisible(m_values[QStringLiteral("Run time:")], run.has_value());
    if (run) {
        const std::string physics = run->physics.empty() ? std::string() : " (" + run->physics + ")";
        SetValue(QStringLiteral("Run time:"), run->milliseconds ? core::RunTimeText(*run->milliseconds) + physics +
                                                                      " by " + core::StripColourCodes(run->player)
                                                                : "No finish" + physics);
    }
    PlaceMapTitle();
}

void PropertiesWindow::PlaceMapTitle()
{
    const int textWidth = m_mapTitle->fontMetrics().horizontalAdvance(m_mapTitle->text());
    const QRect frame = m_picture->geometry();
    const int height = m_mapTitle->fontMetrics().height() + 2;
    const int top = std::max(0, frame.top() - height - 2);
    if (textWidth > frame.width()) {
        m_mapTitle->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_mapTitle->setGeometry(0, top, m_generalTab->width(), height);
    } else {
        m_mapTitle->setAlignment(Qt::AlignCenter);
        m_mapTitle->setGeometry(frame.left(), top, frame.width(), height);
    }
}

void PropertiesWindow::FillServer()
{
    auto value = [this](const char* key) { return core::InfoValueOf(m_demo, key); };
    SetValue(QStringLiteral("Hostname:"), value("sv_hostname"));
    SetValue(QStringLiteral("Server ID:"), value("sv_serverid"));
    SetValue(QStringLiteral("Network Protocol:"), value("protocol"));
    SetValue(QStringLiteral("Pure Server:"), core::YesNoText(value("sv_pure")));
    SetValue(QStringLiteral("Cheats enabled:"), core::YesNoText(value("sv_cheats")));
    SetValue(QStringLiteral("Flood Protect:"), core::YesNoText(value("sv_floodProtect")));
    SetValue(QStringLiteral("Passwd needed:"), core::YesNoText(value("g_needpass")));
    SetValue(QStringLiteral("Private Clients:"), core::YesNoText(value("sv_privateClients")));
    SetValue(QStringLiteral("Max Game Clients:"), core::NotSetText(value("g_maxGameClients")));
    SetValue(QStringLiteral("Max Clients:"), core::NotSetText(value("sv_maxclients")));
    SetValue(QStringLiteral("Max Rate:"), core::NotSetText(value("sv_maxRate")));
    SetValue(QStringLiteral("Max Ping:"), core::NotSetText(value("sv_maxPing")));
    SetValue(QStringLiteral("Min Ping:"), core::NotSetText(value("sv_minPing")));
}

void PropertiesWindow::FillPlayers()
{
    m_players->clear();
    const std::string red = core::InfoValueOf(m_demo, "g_redteam");
    const std::string blue = core::InfoValueOf(m_demo, "g_blueteam");
    for (core::Player& player : m_demo.players) {
        if (player.name.empty())
            continue;
        player.imageIndex = core::PlayerIconIndex(player, red, blue);
        // Quake Live shows a player's clan tag before the name; its demos also hold the Steam ID.
        const std::string clan = player.clanTag.empty() ? std::string() : player.clanTag + "^7 ";
        const std::string text = clan + player.name + core::ScoreSuffix(player);
        auto* item = new QListWidgetItem(Latin1(core::StripColourCodes(text)), m_players);
        item->setData(RawTextRole, QByteArray::fromStdString(text));
        item->setData(IconIndexRole, player.imageIndex);
        if (!player.steamId.empty())
            item->setToolTip(QStringLiteral("Steam ID ") + Latin1(player.steamId));
    }
    // The box grows to the longest name beside its scroll bar, up to a sensible width.
    const QFontMetrics metrics(m_players->font());
    int widest = metrics.horizontalAdvance(QLatin1Char('M')) * 14;
    QStyleOptionViewItem option;
    option.initFrom(m_players);
    for (int row = 0; row < m_players->count(); ++row)
        widest =
            std::max(widest, m_players->itemDelegate()->sizeHint(option, m_players->model()->index(row, 0)).width());
    widest = std::min(widest, metrics.horizontalAdvance(QLatin1Char('M')) * 40);
    m_players->setMinimumWidth(widest + m_players->style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                               2 * m_players->frameWidth());
}

void PropertiesWindow::FillCourse()
{
    m_course->clear();
    for (const std::string& line : m_demo.courseLog) {
        auto* item = new QListWidgetItem(Latin1(core::StripColourCodes(line)), m_course);
        item->setData(RawTextRole, QByteArray::fromStdString(line));
    }
    m_course->clearSelection();
    m_course->setCurrentRow(-1);
}

void PropertiesWindow::FillUser()
{
    const auto path = m_details.DescriptionPath(m_row.info[core::FieldDemoname]);
    const auto loaded = core::ReadDemoUserData(path, "Prop.SetData: ");
    // A file that cannot be read shows as empty fields.
    const core::DemoUserDataResult read =
        ShowDescriptionFailure(loaded) ? *loaded : core::DemoUserDataResult{core::UserDataStatus::Loaded, {}};
    if (read.status == core::UserDataStatus::Missing) {
        const bool mail = QRandomGenerator::global()->bounded(2) == 0;
        m_user->Show(kSampleName, "666", mail ? "mailto:demos@velmora.example" : "http://velmora.example/demos/",
                     QString::fromLatin1(kSampleDescription));
        return;
    }
    m_user->Show(read.data.pov, read.data.rating, read.data.web, Utf8(core::DescriptionText(read.data.description)));
}

void PropertiesWindow::ShowUserData(const core::DemoUserData& data)
{
    m_user->Show(data.pov, data.rating == "0" ? std::string() : data.rating, data.web,
                 Utf8(core::DescriptionText(data.description)));
}

void PropertiesWindow::SetPlayListState(bool adds)
{
    m_playListAdds = adds;
    // The pictures of the lists' "Move to Playlist" and "Remove from Playlist".
    m_playList->setIcon(CommandIcon(adds ? "playlist-add" : "playlist-remove"));
    m_playList->setToolTip(adds ? QStringLiteral("Add this demo to the play list")
                                : QStringLiteral("Remove the selected demos from the play list"));
}

void PropertiesWindow::PlayIt()
{
    if (gui::BusyCount > 0)
        return;
    core::Sound().FadeOutMusic();
    core::PlayNotices notices;
    const core::PlayResult played =
        RunPlayCommand([&] { return core::PlayDemo(m_row.info, core::PlaybackSettingsFor(core::Settings), notices); });
    ShowPlayOutcome(notices, played);
}

void PropertiesWindow::PlayFrom(int64_t demoTime)
{
    if (gui::BusyCount > 0 || !m_play->isEnabled())
        return;
    core::Sound().FadeOutMusic();
    core::PlayNotices notices;
    const core::PlayResult played = RunPlayCommand([&] {
        return core::PlayFromMoment(m_row.info, m_source.first, m_source.second, demoTime,
                                    core::PlaybackSettingsFor(core::Settings), notices);
    });
    ShowPlayOutcome(notices, played);
}

std::filesystem::path PropertiesWindow::ClipFolder() const
{
    // The folder chosen last, while it is there; otherwise the program's own.
    const std::string& chosen = core::Settings.clip_folder;
    std::error_code error;
    if (!chosen.empty() && std::filesystem::is_directory(chosen, error))
        return std::filesystem::path(chosen);
    return std::filesystem::path(core::Settings.paths.dataDirectory) / "Clips";
}

void PropertiesWindow::SaveClip(int64_t from, int64_t to)
{
    if (gui::BusyCount > 0)
        return;
    // The program's own clip folder is made when first proposed: a chooser cannot open a folder
    // that is not there.
    const std::filesystem::path proposed = ClipFolder();
    std::error_code error;
    std::filesystem::create_directories(proposed, error);
    const std::optional<QString> folder = askClipFolder(QFile::decodeName(proposed.string().c_str()));
    if (!folder)
        return;
    std::filesystem::path written;
    const core::ClipResult result =
        core::SaveClip(m_source.first, m_source.second, from, to, core::ConversionGameDataFor(core::Settings),
                       std::filesystem::path(QFile::encodeName(*folder).toStdString()), written);
    if (!result.ok) {
        gui::Messages().Error(result.problem, "Save clip");
        return;
    }
    core::Settings.clip_folder = QFile::encodeName(*folder).toStdString();
    m_lastClip = written;
    if (!result.brokeOff.empty())
        // The clip was written as far as the demo goes: say why it ends before the stretch does.
        gui::Messages().Information("The clip " + written.filename().string() + " ends early: " + result.brokeOff + ".",
                                    "Save clip");
    // Clips are demos like any other: their folder goes into the tree (and is listed there), or
    // is listed again when the list shows it.
    PaneHost& window = m_details.Window();
    const std::string path = written.parent_path().string();
    if (core::FolderNode* node = core::FindNodeByPath(window.TreePane().Tree(), path)) {
        if (window.CurrentFolder() == path)
            window.ListNode(node);
    } else {
        window.TreePane().AddRoot(QFile::decodeName(path.c_str()));
    }
}

void PropertiesWindow::TogglePlayList()
{
    PaneHost& window = m_details.Window();
    PlayListPane& playList = window.PlayList();
    if (m_playListAdds) {
        if (!window.PlayListShown())
            window.SetPlayListShown(true);
        playList.Model().Append({m_row});
        playList.SelectRows({playList.Model().rowCount() - 1}, false);
        SetPlayListState(false);
    } else {
        playList.RemoveSelected();
        SetPlayListState(true);
    }
}

void PropertiesWindow::OpenPlayer(int k)
{
    if (gui::BusyCount > 0)
        return;
    if (!m_playerWindow) {
        m_playerWindow = new PlayerWindow(*this, this);
        const QPoint cursor = QCursor::pos();
        m_playerWindow->adjustSize();
        PlaceWindow(*m_playerWindow,
                    QPoint(cursor.x() + 20, cursor.y() - 20 - m_playerWindow->frameGeometry().height()));
    }
    m_playerWindow->SetPlayerData(k);
    ShowActive(*m_playerWindow);
    // The description takes the keyboard: Escape there closes this window only.
    if (!m_playerWindow->focusWidget())
        m_playerWindow->Description().setFocus(Qt::ActiveWindowFocusReason);
    m_playerWindow->StartFade();
}

void PropertiesWindow::closeEvent(QCloseEvent* event)
{
    if (gui::BusyCount > 0) {
        event->ignore();
        return;
    }
    hide();
    core::Sound().FadeOutMusic();
    if (m_details.Editor())
        m_details.Editor()->close();
    delete m_playerWindow;
    event->accept();
}

bool PropertiesWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Events arrive while the tabs are still being built.
    if (!m_players || !m_picture)
        return QWidget::eventFilter(watched, event);
    if (watched == m_generalTab && event->type() == QEvent::Resize)
        PlaceMapTitle();
    if (watched == m_picture && event->type() == QEvent::MouseMove) {
        const QImage& shot = m_picture->Image();
        m_picture->setCursor(m_hasLevelShot && shot.width() > 128 && shot.height() > 128 ? Qt::PointingHandCursor
                                                                                         : Qt::ArrowCursor);
    }
    // Enter on a player opens the description, as a click does.
    if (watched == m_players && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_players->currentRow() >= 0) {
            OpenPlayer(m_players->currentRow());
            return true;
        }
    }
    if (watched == m_players->viewport() && event->type() == QEvent::MouseMove) {
        const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
        m_players->viewport()->setCursor(m_players->itemAt(pos) ? Qt::PointingHandCursor : Qt::ArrowCursor);
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace gui
