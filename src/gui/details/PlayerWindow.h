#pragma once
// The player description window (PlayerWindow): one player of the demo the properties
// window shows, with the model icon, a team picture, class, score, team, awards, and the user's
// own description of that player, kept across all demos.
#include <QWidget>

#include <map>
#include <string>

#include "gui/common/ToolWindow.h"

namespace core {
struct PlayerPictures;
}

class QCloseEvent;
class QGridLayout;
class QKeyEvent;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace gui {

class ColouredNameBox;
class FadingPicture;
class PropertiesWindow;

class PlayerWindow : public ToolWindow {
    Q_OBJECT
public:
    PlayerWindow(PropertiesWindow& prop, QWidget* parent);

    // Fills the window for player entry `k` of the player list (players with a name, from 0) and
    // plays the model's taunt.
    void SetPlayerData(int k);
    void StartFade();
    // The player's figures from the properties window's events ("..." while they are read).
    void ShowFigures();
    // The player's match statistics from the properties window's "Statistics" tab.
    void ShowStatistics();
    QTableWidget& StatisticsTable() { return *m_statistics; }
    QLabel& StatisticsStatus() { return *m_statisticsStatus; }

    QString Value(const QString& caption) const;
    bool LeaderShown() const;
    bool TeamScoreShown() const;
    const std::string& PlayerName() const { return m_name; }
    // The pack the model icon came from (empty when none held it) and the members shown.
    const std::string& ModelPack() const { return m_modelPack; }
    const std::string& ModelPicture() const { return m_modelPicture; }
    const std::string& TeamPicture() const { return m_teamPicture; }
    QPlainTextEdit& Description() { return *m_description; }
    QPushButton& ApplyButton() { return *m_apply; }
    QPushButton& OkButton() { return *m_ok; }
    QPushButton& CancelButton() { return *m_cancel; }
    void Apply();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* AddValue(QGridLayout& grid, int row, int column, const QString& caption);
    void SetValue(const QString& caption, const QString& value);
    void LoadPictures(const core::PlayerPictures& pictures);

    PropertiesWindow& m_prop;
    std::string m_name;
    int m_client = -1; // the player's client number
    std::string m_modelPack;
    std::string m_modelPicture;
    std::string m_teamPicture;
    ColouredNameBox* m_nameBox = nullptr;
    FadingPicture* m_model = nullptr;
    FadingPicture* m_team = nullptr;
    std::map<QString, QLabel*> m_values;
    std::map<QString, QLabel*> m_captions;
    QLabel* m_leader = nullptr;
    QPlainTextEdit* m_description = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_apply = nullptr;
    QTableWidget* m_statistics = nullptr;
    QLabel* m_statisticsStatus = nullptr;
};

} // namespace gui
