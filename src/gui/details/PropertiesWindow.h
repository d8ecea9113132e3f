#pragma once
// The properties window (PropertiesWindow): the level shot, the general match data, the server settings,
// the players, the course of the match and the user's own data of one demo. It is filled from one
// list row; opening properties for another row refills the same window.
#include <QPointer>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/details/DemoDescription.h"
#include "core/summary/DemoReader.h"
#include "gui/common/ToolWindow.h"
#include "gui/lists/DemoListModel.h"

class QFormLayout;
class QLabel;
class QTextEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace gui {

class DemoDetails;
class EventsTab;
class StatisticsTab;
class FadingPicture;
class PlayerWindow;
class UserTab;

// The demo name after its first ":" (the whole name without one), at most 100 characters.
QString ShownDemoName(const QString& demoName);

// A read demo's record for the windows. What the reader found wrong (a damage, or why the demo
// could not be read at all) is shown as its "Debug" messages; a demo that could not be read is a
// record of nothing whose course log says why.
core::DemoState ShownDemoRead(core::DemoRead read);

class PropertiesWindow : public ToolWindow {
    Q_OBJECT
public:
    PropertiesWindow(DemoDetails& details, QWidget* parent);
    ~PropertiesWindow() override;

    // Reads the row's demo again with its course of play, finds the level shot and fills every tab.
    // The caller holds the busy count until the music started: the fill waits for a fade out.
    void FillFromList(const ListRow& row, bool fromPlayList);
    // The new level shot blends in over the one shown before.
    void StartFade();

    const ListRow& Snapshot() const { return m_row; }
    // The demo as this window read it; the player description and the editor use its players.
    const core::DemoState& Demo() const { return m_demo; }
    const std::string& LevelShotPack() const { return m_levelShotPack; }
    const QImage& LevelShot() const;
    // The value shown beside a caption ("Map:", "Hostname:", ...); empty for an unknown caption.
    QString Value(const QString& caption) const;
    QString MapTitleText() const;

    QTabWidget& Tabs() { return *m_tabs; }
    QListWidget& PlayerList() { return *m_players; }
    QListWidget& CourseList() { return *m_course; }
    EventsTab& Events() { return *m_events; }
    StatisticsTab& Statistics() { return *m_statistics; }
    FadingPicture& Picture() { return *m_picture; }
    UserTab& User() { return *m_user; }
    QPushButton& PlayButton() { return *m_play; }
    QPushButton& PlayListButton() { return *m_playList; }
    QPushButton& ExportVideoButton() { return *m_exportVideo; }
    QPushButton& UserDataButton() { return *m_userData; }
    QPushButton& CloseButton() { return *m_close; }
    bool PlayListAdds() const { return m_playListAdds; }
    PlayerWindow* ShownPlayerWindow() const;

    // The editor's "Apply" brings the user tab up to date.
    void ShowUserData(const core::DemoUserData& data);
    // Opens the player description of player entry `k` of the player list.
    void OpenPlayer(int k);
    // "Play from here": the demo cut to start the setting's seconds before the demo time, played
    // as "Play it" plays; nothing while the busy count is raised or "Play it" is disabled.
    void PlayFrom(int64_t demoTime);
    // "Save clip...": asks for the folder (the last one, or "Clips" in the data directory) and
    // writes the stretch there as a demo of its own.
    void SaveClip(int64_t from, int64_t to);
    std::filesystem::path ClipFolder() const;
    const std::filesystem::path& LastClip() const { return m_lastClip; }
    // Replaceable for tests: the folder chooser (nullopt when cancelled).
    std::function<std::optional<QString>(const QString& preset)> askClipFolder;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildGeneralTab();
    QWidget* BuildServerTab();
    QLabel* AddValue(QFormLayout& form, const QString& caption);
    void SetValue(const QString& caption, const std::string& value);
    void FindLevelShot();
    void FillGeneral();
    void FillServer();
    void FillPlayers();
    void FillCourse();
    void FillUser();
    void PlaceMapTitle();
    void SetPlayListState(bool adds);
    void PlayIt();
    void TogglePlayList();

    DemoDetails& m_details;
    ListRow m_row;
    core::DemoState m_demo;
    std::pair<std::string, std::string> m_source; // the demo's file or member, and its archive
    std::filesystem::path m_lastClip;
    std::string m_levelShotPack;
    bool m_hasLevelShot = false; // false: the box shows the drawn "no levelshot (yet)"
    std::map<QString, QLabel*> m_values;
    QFormLayout* m_generalForm = nullptr;
    QTabWidget* m_tabs = nullptr;
    QWidget* m_generalTab = nullptr;
    QLabel* m_mapTitle = nullptr;
    FadingPicture* m_picture = nullptr;
    QListWidget* m_players = nullptr;
    QListWidget* m_course = nullptr;
    EventsTab* m_events = nullptr;
    StatisticsTab* m_statistics = nullptr;
    UserTab* m_user = nullptr;
    QPushButton* m_play = nullptr;
    QPushButton* m_playList = nullptr;
    QPushButton* m_exportVideo = nullptr;
    QPushButton* m_userData = nullptr;
    QPushButton* m_close = nullptr;
    bool m_playListAdds = true;
    QPointer<PlayerWindow> m_playerWindow;
};

// The sixteen player icons: bots by skill, the spectator, the five sides' leaders in red and blue.
const std::vector<QPixmap>& PlayerIcons();

} // namespace gui
