#include "gui/details/PlayerWindow.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>
#include <filesystem>
#include <optional>

#include "core/archive/ZipRead.h"
#include "core/details/DemoDescription.h"
#include "core/details/DetailRules.h"
#include "core/playback/Mods.h"
#include "core/row/DemoInfo.h"
#include "core/settings/Settings.h"
#include "core/sound/SoundSystem.h"
#include "gui/common/BusyScope.h"
#include "gui/common/MessageSink.h"
#include "gui/details/ColouredText.h"
#include "gui/details/DescriptionFailure.h"
#include "gui/details/EventsTab.h"
#include "gui/details/FadingPicture.h"
#include "gui/details/PackPicture.h"
#include "gui/details/PictureWindow.h"
#include "gui/details/PropertiesWindow.h"
#include "gui/details/StatisticsTab.h"
#include "gui/sound/SoundFailure.h"

namespace gui {

namespace {

const std::string kIconFolder = "models\\players\\";

std::vector<std::string> TextLines(const QString& text)
{
    return core::SplitTextLines(Utf8Bytes(text));
}

} // namespace

PlayerWindow::PlayerWindow(PropertiesWindow& prop, QWidget* parent) : ToolWindow(parent, Qt::Tool), m_prop(prop)
{
    setObjectName(QStringLiteral("PlayerWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Player Description"));

    m_nameBox = new ColouredNameBox(this);
    m_nameBox->setObjectName(QStringLiteral("PlayerNameBox"));
    QFont nameFont = m_nameBox->font();
    nameFont.setPointSize(14);
    nameFont.setBold(true);
    m_nameBox->setFont(nameFont);
    m_model = new FadingPicture(this);
    m_model->setObjectName(QStringLiteral("ModelPicture"));
    m_model->SetScaled(false);
    m_model->setFixedSize(68, 68);
    m_team = new FadingPicture(this);
    m_team->setObjectName(QStringLiteral("TeamPicture"));
    m_team->setFixedSize(68, 68);

    auto* grid = new QGridLayout;
    AddValue(*grid, 0, 0, QStringLiteral("Class:"));
    AddValue(*grid, 1, 0, QStringLiteral("Score:"));
    AddValue(*grid, 2, 0, QStringLiteral("Team:"));
    AddValue(*grid, 3, 0, QStringLiteral("Teamscore:"));
    m_leader = new QLabel(QStringLiteral("Leader"), this);
    QFont bold = m_leader->font();
    bold.setBold(true);
    m_leader->setFont(bold);
    grid->addWidget(m_leader, 4, 1);
    AddValue(*grid, 0, 2, QStringLiteral("Accuracy:"));
    AddValue(*grid, 1, 2, QStringLiteral("Impressives:"));
    AddValue(*grid, 2, 2, QStringLiteral("Excellents:"));
    AddValue(*grid, 3, 2, QStringLiteral("Gauntlets:"));
    AddValue(*grid, 4, 2, QStringLiteral("Perfects:"));
    AddValue(*grid, 0, 4, QStringLiteral("Captures:"));
    AddValue(*grid, 1, 4, QStringLiteral("Defends:"));
    AddValue(*grid, 2, 4, QStringLiteral("Assists:"));

    // What the events say the player did; filled once the properties window has read them.
    auto* figures = new QGroupBox(QStringLiteral("From the events"), this);
    figures->setObjectName(QStringLiteral("PlayerFigures"));
    auto* figureGrid = new QGridLayout(figures);
    AddValue(*figureGrid, 0, 0, QStringLiteral("Frags:"));
    AddValue(*figureGrid, 1, 0, QStringLiteral("Deaths:"));
    AddValue(*figureGrid, 2, 0, QStringLiteral("Suicides:"));
    AddValue(*figureGrid, 0, 2, QStringLiteral("Longest spree:"));
    AddValue(*figureGrid, 1, 2, QStringLiteral("Team kills:"));
    AddValue(*figureGrid, 2, 2, QStringLiteral("Flag captures:"));
    QLabel* byWeapon = AddValue(*figureGrid, 3, 0, QStringLiteral("By weapon:"));
    figureGrid->addWidget(byWeapon, 3, 1, 1, 3);
    byWeapon->setWordWrap(true);

    // What the mod's match statistics say; filled once the properties window has read them.
    auto* statistics = new QGroupBox(QStringLiteral("Match statistics"), this);
    statistics->setObjectName(QStringLiteral("PlayerStatistics"));
    auto* statisticsLayout = new QVBoxLayout(statistics);
    m_statistics = NewStatisticsTable(statistics);
    m_statisticsStatus = new QLabel(statistics);
    m_statisticsStatus->setWordWrap(true);
    statisticsLayout->addWidget(m_statistics);
    statisticsLayout->addWidget(m_statisticsStatus);

    m_description = new QPlainTextEdit(this);
    m_description->setObjectName(QStringLiteral("PlayerDescriptionText"));
    m_description->setTabChangesFocus(true); // Tab leaves the text for the buttons
    m_ok = new QPushButton(QStringLiteral("&OK"), this);
    m_cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_apply = new QPushButton(QStringLiteral("&Apply"), this);

    auto* pictures = new QHBoxLayout;
    pictures->addWidget(m_model);
    pictures->addStretch(1);
    pictures->addWidget(m_team);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_apply);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_nameBox, 0, Qt::AlignHCenter);
    layout->addLayout(pictures);
    layout->addLayout(grid);
    layout->addWidget(figures);
    layout->addWidget(statistics, 1);
    layout->addWidget(m_description, 1);
    layout->addLayout(buttons);

    connect(m_description, &QPlainTextEdit::textChanged, this, [this] { m_apply->setEnabled(true); });
    connect(m_apply, &QPushButton::clicked, this, &PlayerWindow::Apply);
    connect(m_ok, &QPushButton::clicked, this, [this] {
        if (m_apply->isEnabled())
            Apply();
        close();
    });
    connect(m_cancel, &QPushButton::clicked, this, &QWidget::close);
    m_apply->setEnabled(false);
    resize(420, 480);
}

void PlayerWindow::ShowFigures()
{
    const EventsTab& events = m_prop.Events();
    const std::vector<core::PlayerFigures>& all = events.Figures();
    // By name first: a client number may have served several players in one demo.
    const core::PlayerFigures* figures = core::FiguresByName(all, m_name);
    if (!figures)
        for (const core::PlayerFigures& f : all)
            if (f.client == m_client)
                figures = &f;
    const QString captions[] = {QStringLiteral("Frags:"),      QStringLiteral("Deaths:"),
                                QStringLiteral("Suicides:"),   QStringLiteral("Longest spree:"),
                                QStringLiteral("Team kills:"), QStringLiteral("Flag captures:")};
    if (!figures) {
        const QString text = events.Loading() ? QStringLiteral("...") : QString();
        for (const QString& caption : captions)
            SetValue(caption, text);
        SetValue(QStringLiteral("By weapon:"), QString());
        return;
    }
    const int values[] = {figures->frags,        figures->deaths,    figures->suicides,
                          figures->longestSpree, figures->teamKills, figures->captures};
    for (size_t i = 0; i < std::size(captions); ++i)
        SetValue(captions[i], QString::number(values[i]));
    QStringList weapons;
    for (int w = 0; w < core::kWeaponCount; ++w)
        if (const int count = figures->fragsByWeapon[static_cast<size_t>(w)]; count > 0)
            weapons << QStringLiteral("%1 %2").arg(Latin1(core::WeaponName(static_cast<core::Weapon>(w)))).arg(count);
    SetValue(QStringLiteral("By weapon:"), weapons.join(QStringLiteral(", ")));
}

void PlayerWindow::ShowStatistics()
{
    StatisticsTab& tab = m_prop.Statistics();
    const core::MatchStatistics& all = tab.Statistics();
    // By name first, as the figures: a client number may have served several players.
    const core::PlayerStatistics* player = all.ForName(m_name);
    if (!player && m_client >= 0)
        player = all.ForClient(m_client);
    FillStatisticsTable(*m_statistics, player);
    m_statistics->setVisible(player != nullptr);
    if (tab.Loading())
        m_statisticsStatus->setText(QStringLiteral("Reading the match statistics..."));
    else if (all.Empty())
        m_statisticsStatus->setText(QString::fromLatin1(kNoStatisticsText));
    else if (!player)
        m_statisticsStatus->setText(QStringLiteral("The match statistics name this player nowhere."));
    else
        m_statisticsStatus->setText(QStringLiteral("Sent by %1.").arg(QString::fromStdString(all.source)));
}

QLabel* PlayerWindow::AddValue(QGridLayout& grid, int row, int column, const QString& caption)
{
    auto* label = new QLabel(caption, this);
    auto* value = new QLabel(this);
    grid.addWidget(label, row, column);
    grid.addWidget(value, row, column + 1);
    m_captions[caption] = label;
    m_values[caption] = value;
    return value;
}

void PlayerWindow::SetValue(const QString& caption, const QString& value)
{
    if (auto it = m_values.find(caption); it != m_values.end())
        it->second->setText(value);
}

QString PlayerWindow::Value(const QString& caption) const
{
    auto it = m_values.find(caption);
    return it == m_values.end() ? QString() : it->second->text();
}

bool PlayerWindow::LeaderShown() const
{
    return !m_leader->isHidden();
}

bool PlayerWindow::TeamScoreShown() const
{
    return !m_values.at(QStringLiteral("Teamscore:"))->isHidden();
}

void PlayerWindow::SetPlayerData(int k)
{
    const gui::BusyScope busy;

    const core::DemoState& demo = m_prop.Demo();
    const core::Player* found = nullptr;
    int count = 0;
    for (const core::Player& player : demo.players) {
        if (player.name.empty())
            continue;
        if (count++ == k) {
            found = &player;
            break;
        }
    }
    if (!found) {
        gui::Messages().Error("SetPlayerData: Parsing ERROR. Could not find player index", "VMR: Parsing ERROR");
        return;
    }
    const core::Player& player = *found;
    m_name = player.name;
    m_client = static_cast<int>(found - demo.players.data());
    ShowFigures();
    ShowStatistics();
    setWindowTitle(Latin1(core::StripColourCodes(player.name)));
    m_nameBox->SetName(Latin1(player.name));
    m_nameBox->setFixedWidth(m_nameBox->FittingWidth());

    const auto path = core::PlayerDescriptionPath(core::Settings.paths.playerDataDirectory, player.name);
    const auto lines = core::ReadPlayerDescription(path);
    ShowDescriptionFailure(lines);
    {
        const QSignalBlocker block(m_description);
        QStringList text;
        for (const std::string& line : lines ? *lines : std::vector<std::string>{})
            text << Utf8(line);
        m_description->setPlainText(text.join(QLatin1Char('\n')));
    }
    m_apply->setEnabled(false);

    SetValue(QStringLiteral("Class:"), Latin1(core::ClassText(player)));
    SetValue(QStringLiteral("Score:"), player.score ? QString::number(*player.score) : QString());

    const std::string red = core::InfoValueOf(demo, "g_redteam");
    const std::string blue = core::InfoValueOf(demo, "g_blueteam");
    const bool teamPlayer = player.team == 1 || player.team == 2;
    QLabel* team = m_values[QStringLiteral("Team:")];
    if (teamPlayer) {
        const bool isRed = player.team == 1;
        const QColor colour = isRed ? QColor(255, 0, 0) : QColor(0, 255, 255);
        const std::string side = isRed ? red : blue;
        team->setText(side == "N/A" ? QString::fromLatin1(isRed ? "Red" : "Blue") : Latin1(side));
        const QString sheet = QStringLiteral("QLabel { color: %1; }").arg(colour.name());
        team->setStyleSheet(sheet);
        m_leader->setStyleSheet(sheet);
        m_leader->setVisible(player.leader);
    } else {
        team->setText(QStringLiteral("N/A"));
        team->setStyleSheet(QString());
        m_leader->setVisible(false);
    }
    SetValue(QStringLiteral("Teamscore:"), Latin1(core::ScoreText(demo.score1) + ":" + core::ScoreText(demo.score2)));
    for (const char* caption : {"Teamscore:", "Team:"}) {
        m_captions[QString::fromLatin1(caption)]->setVisible(teamPlayer);
        m_values[QString::fromLatin1(caption)]->setVisible(teamPlayer);
    }

    for (const char* caption :
         {"Accuracy:", "Impressives:", "Excellents:", "Gauntlets:", "Perfects:", "Captures:", "Defends:", "Assists:"})
        SetValue(QString::fromLatin1(caption), QString());
    if (demo.protocol > 46 && !core::IsSpectator(player)) {
        SetValue(QStringLiteral("Accuracy:"), QString::number(player.accuracy) + QLatin1Char('%'));
        SetValue(QStringLiteral("Impressives:"), QString::number(player.impressive));
        SetValue(QStringLiteral("Excellents:"), QString::number(player.excellent));
        SetValue(QStringLiteral("Gauntlets:"), QString::number(player.gauntlet));
        SetValue(QStringLiteral("Perfects:"), QString::number(player.perfect));
        if (core::InfoValueOf(demo, "g_gametype") > "3") {
            SetValue(QStringLiteral("Captures:"), QString::number(player.captures));
            SetValue(QStringLiteral("Defends:"), QString::number(player.defend));
            SetValue(QStringLiteral("Assists:"), QString::number(player.assist));
        }
    }

    const core::GamePaths& game = core::Settings.game;
    const std::string fsGame = core::InfoValueOf(demo, "fs_game");
    const core::PlayerPictures pictures = core::ChoosePlayerPictures(
        player, {.gameDirectory = game.gameDirectory,
                 .baseDirectory = game.baseDirectory,
                 .mainPack = game.mainPack,
                 .modDirectory = core::FindModDir(fsGame, core::PlaybackSettingsFor(core::Settings)),
                 .fsGame = fsGame,
                 .gameType = core::InfoValueOf(demo, "g_gametype"),
                 .redTeam = red,
                 .blueTeam = blue});
    LoadPictures(pictures);

    m_teamPicture.clear();
    if (pictures.teamFromMissionPack)
        m_team->SetImage(QImage(), false);
    core::Picture teamPicture;
    if (!pictures.teamMember.empty() && LoadPackPicture(pictures.teamPack, pictures.teamMember, teamPicture)) {
        m_team->SetImage(ImageFromPicture(teamPicture), false);
        m_teamPicture = pictures.teamMember;
    }
}

void PlayerWindow::LoadPictures(const core::PlayerPictures& pictures)
{
    const std::string& mainPack = core::Settings.game.mainPack;
    m_modelPack = pictures.modelPack;
    core::Picture picture;
    std::string shown;
    if (!pictures.modelPack.empty()) {
        if (pictures.headIcon && LoadPackPicture(pictures.modelPack, kIconFolder + *pictures.headIcon, picture))
            shown = kIconFolder + *pictures.headIcon;
        else if (LoadPackPicture(pictures.modelPack, kIconFolder + pictures.modelIcon, picture))
            shown = kIconFolder + pictures.modelIcon;
    }
    if (shown.empty() && LoadPackPicture(mainPack, "gfx\\2d\\defer.tga", picture))
        shown = "gfx\\2d\\defer.tga";
    // A picture that loads nowhere leaves the one shown before.
    if (!shown.empty()) {
        m_modelPicture = shown;
        m_model->SetImage(ImageFromPicture(picture), true);
    }
    ShowSoundOutcome(core::Sound().PlayTaunt(pictures.modelPack, pictures.modelName));
}

void PlayerWindow::StartFade()
{
    m_model->StartFade();
}

void PlayerWindow::Apply()
{
    const auto path = core::PlayerDescriptionPath(core::Settings.paths.playerDataDirectory, m_name);
    ShowDescriptionFailure(core::WritePlayerDescription(path, TextLines(m_description->toPlainText())));
    m_apply->setEnabled(false);
}

void PlayerWindow::closeEvent(QCloseEvent* event)
{
    if (gui::BusyCount > 0) {
        event->ignore();
        return;
    }
    core::Sound().ReleaseChannel(core::SoundChannel::ModelSound);
    ToolWindow::closeEvent(event);
}

} // namespace gui
