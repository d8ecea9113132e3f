#include "gui/lists/MomentsModel.h"

#include <algorithm>
#include <numeric>

#include "core/common/ColourCodes.h"
#include "gui/lists/ListSort.h"
#include "gui/tree/FolderTreeModel.h"

namespace gui {
namespace {

// Texts from inside a demo are the game's 8-bit texts; the colours are the events tab's business.
QString GameText(const std::string& text)
{
    const std::string plain = core::StripColourCodes(text);
    return QString::fromLatin1(plain.data(), static_cast<qsizetype>(plain.size()));
}

QString WeaponText(const core::Moment& moment)
{
    const std::string_view name =
        moment.weapon != core::Weapon::None ? core::WeaponName(moment.weapon) : core::DeathCauseName(moment.cause);
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

} // namespace

QString MomentTimeText(int64_t demoTime)
{
    const int64_t seconds = std::max<int64_t>(0, demoTime) / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString MomentWhatText(const core::Moment& moment)
{
    switch (moment.kind) {
    case core::MomentKind::Frag: {
        QString text = QStringLiteral("frag of %1 with %2").arg(GameText(moment.otherName), WeaponText(moment));
        if (moment.otherPlace && moment.otherPlace->airborne)
            text += QStringLiteral(" in the air");
        // The scores do not count it.
        if (moment.warmup)
            text += QStringLiteral(" (warm-up)");
        return text;
    }
    case core::MomentKind::Suicide:
        return QStringLiteral("suicide (%1)").arg(WeaponText(moment));
    case core::MomentKind::Capture: {
        const std::string_view team = core::TeamName(moment.team);
        return moment.team == core::kTeamRed || moment.team == core::kTeamBlue
                   ? QStringLiteral("capture of the %1 flag")
                         .arg(QString::fromLatin1(team.data(), static_cast<qsizetype>(team.size())).toLower())
                   : QStringLiteral("capture");
    }
    case core::MomentKind::Chat:
        return QStringLiteral("says: ") + GameText(moment.text);
    case core::MomentKind::TeamChat:
        return QStringLiteral("says to the team: ") + GameText(moment.text);
    case core::MomentKind::MultiFrag:
        return QStringLiteral("%1 frags in %2 s")
            .arg(moment.frags)
            .arg(static_cast<double>(moment.endDemoTime - moment.demoTime) / 1000.0, 0, 'f', 1);
    case core::MomentKind::Spree:
        return QStringLiteral("spree of %1 frags").arg(moment.frags);
    }
    return {};
}

int MomentsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int MomentsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString MomentsModel::Text(int row, int column) const
{
    const core::Moment& moment = MomentAt(row);
    switch (column) {
    case DemoColumn:
        return PathText(moment.row[core::FieldDemoname]);
    case TimeColumn:
        return MomentTimeText(moment.demoTime);
    case WhoColumn:
        return GameText(moment.playerName);
    case WhatColumn:
        return MomentWhatText(moment);
    case MapColumn:
        return GameText(moment.row[core::FieldMap]);
    default:
        return {};
    }
}

QVariant MomentsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole)
        return Text(index.row(), index.column());
    if (role == Qt::ToolTipRole && index.column() == DemoColumn) {
        const core::Moment& moment = MomentAt(index.row());
        return PathText(moment.archive.empty() ? moment.loadName : moment.archive + ": " + moment.loadName);
    }
    if (role == Qt::TextAlignmentRole && index.column() == TimeColumn)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return {};
}

QVariant MomentsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::TextAlignmentRole && section == TimeColumn)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    if (role != Qt::DisplayRole)
        return {};
    static const char* const captions[] = {"Demo", "Time", "Who", "What", "Map"};
    return QString::fromLatin1(captions[section]);
}

void MomentsModel::SetMoments(std::vector<core::Moment> moments)
{
    beginResetModel();
    m_moments = std::move(moments);
    m_shown.resize(m_moments.size());
    std::iota(m_shown.begin(), m_shown.end(), size_t{0});
    endResetModel();
}

void MomentsModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<size_t> moments(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        moments[static_cast<size_t>(i)] = m_shown[static_cast<size_t>(before[i].row())];

    std::vector<size_t> sorted(m_moments.size());
    std::iota(sorted.begin(), sorted.end(), size_t{0}); // by demo and time, as the index gave them
    const bool ascending = order == Qt::AscendingOrder;
    if (column == TimeColumn) {
        std::stable_sort(sorted.begin(), sorted.end(), [&](size_t a, size_t b) {
            const int64_t x = m_moments[a].demoTime, y = m_moments[b].demoTime;
            return ascending ? x < y : x > y;
        });
    } else {
        // Each text read once; the demo list's rules (numbers as numbers, the locale's order).
        std::vector<SortKey> keys(m_moments.size());
        const SortTextReader& reader = SortTextReader::Current();
        m_shown = sorted;
        for (size_t i = 0; i < keys.size(); ++i)
            keys[i] = reader.KeyOf(Text(static_cast<int>(i), column));
        std::stable_sort(sorted.begin(), sorted.end(), [&](size_t a, size_t b) {
            const int result = CompareSortKeys(keys[a], keys[b]);
            return ascending ? result < 0 : result > 0;
        });
    }
    m_shown = std::move(sorted);

    std::vector<int> rowOf(m_moments.size());
    for (size_t row = 0; row < m_shown.size(); ++row)
        rowOf[m_shown[row]] = static_cast<int>(row);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after.append(index(rowOf[moments[static_cast<size_t>(i)]], before[i].column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace gui
