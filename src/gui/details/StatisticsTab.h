#pragma once
// The properties window's "Statistics" tab: the match statistics the demo's mod sent (OSP, CPMA,
// Quake Live), one player at a time: hits, shots and accuracy per weapon, damage given and taken,
// armour and health taken. Read on a thread of their own: the whole demo is walked for them.
#include <QWidget>

#include <cstdint>
#include <string>
#include <vector>

#include "core/events/MatchStatistics.h"

class QComboBox;
class QLabel;
class QTableWidget;
class QThread;

namespace gui {

inline constexpr const char* kNoStatisticsText = "This demo holds no match statistics.";

// Fills a table of a player's statistics: a row per weapon (hits, shots, accuracy), then the
// damage, armour and health rows; figures the mod does not send are shown as "-".
void FillStatisticsTable(QTableWidget& table, const core::PlayerStatistics* player);
// A table made for FillStatisticsTable.
QTableWidget* NewStatisticsTable(QWidget* parent);

class StatisticsTab : public QWidget {
    Q_OBJECT
public:
    explicit StatisticsTab(QWidget* parent = nullptr);
    ~StatisticsTab() override;

    // Starts reading the demo's statistics; what was shown goes at once.
    void Load(const std::string& name, const std::string& archive);
    void Show(core::MatchStatisticsResult result);
    bool Loading() const { return m_loading; }
    const core::MatchStatistics& Statistics() const { return m_result.statistics; }

    QComboBox& PlayerBox() { return *m_player; }
    QTableWidget& Table() { return *m_table; }
    QLabel& Status() { return *m_status; }

signals:
    void statisticsShown();

private:
    void ShowPlayer();

    core::MatchStatisticsResult m_result;
    bool m_loading = false;
    uint64_t m_generation = 0;
    std::vector<QThread*> m_readers;
    QWidget* m_playerRow = nullptr;
    QComboBox* m_player = nullptr;
    QTableWidget* m_table = nullptr;
    QLabel* m_status = nullptr;
};

} // namespace gui
