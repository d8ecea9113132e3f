#include "gui/details/StatisticsTab.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QThread>
#include <QVBoxLayout>

#include "core/common/ColourCodes.h"
#include "gui/details/ColouredText.h"

namespace gui {

namespace {

QString FigureText(int value)
{
    return value < 0 ? QStringLiteral("-") : QString::number(value);
}

void SetRow(QTableWidget& table, int row, const QString& caption, const QStringList& cells)
{
    table.setVerticalHeaderItem(row, new QTableWidgetItem(caption));
    for (int column = 0; column < cells.size(); ++column) {
        auto* item = new QTableWidgetItem(cells[column]);
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table.setItem(row, column, item);
    }
}

} // namespace

QTableWidget* NewStatisticsTable(QWidget* parent)
{
    auto* table = new QTableWidget(0, 3, parent);
    table->setObjectName(QStringLiteral("StatisticsTable"));
    table->setHorizontalHeaderLabels({QStringLiteral("Hits"), QStringLiteral("Shots"), QStringLiteral("Accuracy")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    // Ten weapons and the four other lines fit without scrolling.
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    return table;
}

void FillStatisticsTable(QTableWidget& table, const core::PlayerStatistics* player)
{
    table.clearContents();
    if (!player) {
        table.setRowCount(0);
        return;
    }
    const int weapons = static_cast<int>(player->weapons.size());
    table.setRowCount(weapons + 4);
    for (int row = 0; row < weapons; ++row) {
        const core::WeaponStatistics& w = player->weapons[static_cast<size_t>(row)];
        const auto accuracy = w.Accuracy();
        SetRow(table, row, Latin1(core::WeaponName(w.weapon)),
               {QString::number(w.hits), QString::number(w.shots),
                accuracy ? QStringLiteral("%1 %").arg(*accuracy, 0, 'f', 1) : QStringLiteral("-")});
    }
    // One figure each: it stands in the first column.
    const std::pair<const char*, int> lines[] = {{"Damage given", player->damageGiven},
                                                 {"Damage taken", player->damageTaken},
                                                 {"Armour taken", player->armourTaken},
                                                 {"Health taken", player->healthTaken}};
    for (int i = 0; i < 4; ++i)
        SetRow(table, weapons + i, QString::fromLatin1(lines[i].first), {FigureText(lines[i].second)});
}

StatisticsTab::StatisticsTab(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("StatisticsTab"));
    m_player = new QComboBox(this);
    m_player->setObjectName(QStringLiteral("StatisticsPlayer"));
    m_table = NewStatisticsTable(this);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("StatisticsStatus"));
    m_status->setWordWrap(true);
    m_playerRow = new QWidget(this);
    auto* top = new QHBoxLayout(m_playerRow);
    top->setContentsMargins(0, 0, 0, 0);
    top->addWidget(new QLabel(QStringLiteral("Player:"), m_playerRow));
    top->addWidget(m_player, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_playerRow);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_status);
    layout->addStretch(0);
    connect(m_player, &QComboBox::currentIndexChanged, this, [this] { ShowPlayer(); });
    Show(core::MatchStatisticsResult{});
}

StatisticsTab::~StatisticsTab()
{
    // A read still running keeps nothing of the tab but its queued result; no thread outlives it.
    for (QThread* reader : m_readers) {
        reader->wait();
        delete reader;
    }
}

void StatisticsTab::Load(const std::string& name, const std::string& archive)
{
    const uint64_t generation = ++m_generation;
    Show(core::MatchStatisticsResult{});
    m_loading = true;
    m_status->setText(QStringLiteral("Reading the match statistics..."));
    QThread* reader = QThread::create([this, generation, name, archive] {
        core::MatchStatisticsResult result = core::LoadMatchStatistics(name, archive);
        QMetaObject::invokeMethod(
            this,
            [this, generation, result = std::move(result)]() mutable {
                if (generation == m_generation)
                    Show(std::move(result));
            },
            Qt::QueuedConnection);
    });
    m_readers.push_back(reader);
    connect(reader, &QThread::finished, this, [this, reader] {
        std::erase(m_readers, reader);
        reader->deleteLater();
    });
    reader->start();
}

void StatisticsTab::Show(core::MatchStatisticsResult result)
{
    m_loading = false;
    m_result = std::move(result);
    {
        const QSignalBlocker block(m_player);
        m_player->clear();
        for (const core::PlayerStatistics& p : m_result.statistics.players) {
            const std::string plain = core::StripColourCodes(p.name);
            m_player->addItem(plain.empty() ? QStringLiteral("Client %1").arg(p.client) : Latin1(plain), p.client);
        }
    }
    // No empty table that could be taken for figures of nought: the sentence alone.
    const bool any = !m_result.statistics.Empty();
    m_player->setEnabled(any);
    m_playerRow->setVisible(any);
    m_table->setVisible(any);
    QString status;
    if (m_result.statistics.Empty())
        status = QString::fromLatin1(kNoStatisticsText);
    else
        status = QStringLiteral("Sent by %1.").arg(QString::fromStdString(m_result.statistics.source));
    // Statistics before a damage are kept; the damage is named.
    if (!m_result.problem.empty())
        status += QStringLiteral(" The demo could not be read to its end (%1).")
                      .arg(QString::fromStdString(m_result.problem));
    m_status->setText(status);
    ShowPlayer();
    emit statisticsShown();
}

void StatisticsTab::ShowPlayer()
{
    const int k = m_player->currentIndex();
    const auto& players = m_result.statistics.players;
    FillStatisticsTable(*m_table,
                        k >= 0 && k < static_cast<int>(players.size()) ? &players[static_cast<size_t>(k)] : nullptr);
}

} // namespace gui
