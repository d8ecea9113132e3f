#include "gui/lists/DemoListModel.h"

#include <QMimeData>

#include <algorithm>
#include <numeric>

#include "core/playback/PlayList.h"
#include "gui/lists/ListIcons.h"
#include "gui/lists/ListSort.h"
#include "gui/tree/FolderTreeModel.h"

namespace gui {

QString FieldText(const core::DemoInfo& info, int column)
{
    const std::string& text = info[column];
    if (column == core::FieldDemoname || column == core::FieldArchiveLocation || column == core::FieldLocation)
        return PathText(text);
    if (core::FieldHoldsUtf8(column)) // the user's own data
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

Qt::Alignment AlignmentOf(int column)
{
    // Numbers that are read down a column line up at their ends.
    const bool right = column == core::FieldSize || column == core::FieldFinalScore || column == core::FieldRating;
    return (right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

int SourceKindOf(const core::DemoInfo& info)
{
    return core::SourceKind(info);
}

bool MayEnterPlayList(const ListRow& row)
{
    return core::IsPlayable(row.info);
}

std::vector<int> SortedRows(const std::vector<const core::DemoInfo*>& rows, int column, bool ascending)
{
    // The texts' keys, for the columns without numbers of their own and for rows whose numbers
    // are missing ("N/A", "N/S"): read once per sort, and only when needed.
    std::vector<std::optional<SortKey>> textKeys(rows.size());
    const SortTextReader& reader = SortTextReader::Current();
    auto textKey = [&](int row) -> const SortKey& {
        std::optional<SortKey>& key = textKeys[static_cast<size_t>(row)];
        if (!key)
            key = reader.KeyOf(FieldText(*rows[static_cast<size_t>(row)], column));
        return *key;
    };
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    // stable_sort stays within bounds even when the mixed rules are not transitive.
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        int result = 0;
        if (!core::CompareRowKeys(*rows[static_cast<size_t>(a)], *rows[static_cast<size_t>(b)], column, result))
            result = CompareSortKeys(textKey(a), textKey(b));
        return ascending ? result < 0 : result > 0;
    });
    return order;
}

DemoListModel::DemoListModel(QString listName, QObject* parent)
    : QAbstractTableModel(parent), m_listName(std::move(listName))
{
}

int DemoListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int DemoListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : core::DemoFieldCount;
}

QVariant DemoListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= core::DemoFieldCount)
        return {};
    const ListRow& row = Row(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case SortTextRole:
        return FieldText(row.info, index.column());
    case Qt::DecorationRole:
        if (index.column() == core::FieldDemoname)
            return SourceKindIcon(row.sourceKind);
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(AlignmentOf(index.column()));
    case SourceKindRole:
        return row.sourceKind;
    default:
        return {};
    }
}

QVariant DemoListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= core::DemoFieldCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (role) {
    case Qt::DisplayRole: {
        const std::string_view name = core::DemoColumnNames()[static_cast<size_t>(section)];
        return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    }
    case Qt::DecorationRole:
        if (m_headerImages)
            return UserDataHeaderIcon(section);
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(AlignmentOf(section));
    default:
        return QAbstractTableModel::headerData(section, orientation, role);
    }
}

Qt::ItemFlags DemoListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled |
           Qt::ItemNeverHasChildren;
}

QStringList DemoListModel::mimeTypes() const
{
    return {QString::fromLatin1(kMimeType)};
}

QMimeData* DemoListModel::mimeData(const QModelIndexList& indexes) const
{
    if (indexes.isEmpty())
        return nullptr;
    // The drop acts on the lists' selections, so the data only says which list the drag left.
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kMimeType), m_listName.toUtf8());
    return data;
}

void DemoListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= core::DemoFieldCount || m_rows.size() < 2)
        return;
    std::vector<const core::DemoInfo*> infos;
    infos.reserve(m_rows.size());
    for (const ListRow& row : m_rows)
        infos.push_back(&row.info);
    const std::vector<int> order_ = SortedRows(infos, column, order == Qt::AscendingOrder);

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPlace(m_rows.size());
    std::vector<ListRow> sorted;
    sorted.reserve(m_rows.size());
    for (size_t i = 0; i < order_.size(); ++i) {
        newPlace[static_cast<size_t>(order_[i])] = static_cast<int>(i);
        sorted.push_back(std::move(m_rows[static_cast<size_t>(order_[i])]));
    }
    m_rows = std::move(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.append(this->index(newPlace[static_cast<size_t>(index.row())], index.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void DemoListModel::Clear()
{
    if (m_rows.empty())
        return;
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    endResetModel();
}

void DemoListModel::Append(std::vector<ListRow> rows)
{
    Insert(rowCount(), std::move(rows));
}

void DemoListModel::Insert(int before, std::vector<ListRow> rows)
{
    if (rows.empty())
        return;
    before = std::clamp(before, 0, rowCount());
    beginInsertRows({}, before, before + static_cast<int>(rows.size()) - 1);
    m_rows.insert(m_rows.begin() + before, std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    endInsertRows();
}

void DemoListModel::RemoveRowNumbers(std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // From the bottom up in runs of neighbours, so that the numbers still ahead stay valid.
    for (auto last = rows.rbegin(); last != rows.rend();) {
        auto first = last;
        while (std::next(first) != rows.rend() && *std::next(first) == *first - 1)
            ++first;
        const int from = *first, to = *last;
        if (from >= 0 && to < rowCount()) {
            beginRemoveRows({}, from, to);
            m_rows.erase(m_rows.begin() + from, m_rows.begin() + to + 1);
            endRemoveRows();
        }
        last = std::next(first);
    }
}

void DemoListModel::SetRowInfo(int row, const core::DemoInfo& info)
{
    if (row < 0 || row >= rowCount())
        return;
    ListRow& entry = m_rows[static_cast<size_t>(row)];
    entry.info = info;
    core::RefreshRowKeys(entry.info); // the user's data may have changed
    entry.sourceKind = SourceKindOf(info);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void DemoListModel::MoveRow(int from, int to)
{
    if (from < 0 || from >= rowCount() || to < 0 || to >= rowCount() || from == to)
        return;
    // beginMoveRows names the destination as a place before the move.
    const int destination = to > from ? to + 1 : to;
    beginMoveRows({}, from, from, {}, destination);
    ListRow row = std::move(m_rows[static_cast<size_t>(from)]);
    m_rows.erase(m_rows.begin() + from);
    m_rows.insert(m_rows.begin() + to, std::move(row));
    endMoveRows();
}

} // namespace gui
