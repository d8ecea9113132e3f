#pragma once
// The rows of one of the two lists (the demo list or the play list): every row a DemoInfo record
// and its source kind. The model keeps its rows in the order the user sees: a sort reorders them,
// and rows inserted or moved stay where they were put, because the play list's order is the
// order in which the game plays it.
#include <QAbstractTableModel>
#include <QIcon>

#include <vector>

#include "core/row/DemoInfo.h"

namespace gui {

struct ListRow {
    core::DemoInfo info;
    int sourceKind = 0; // 0 plain file, 1 .pk3, 2 .zip, 3 .exe member; plus 4 without mod information
};

// The text a cell shows: file names and paths ("Demoname", "Archive Location", "Location") are
// file-system bytes, every other field comes from inside the demo or the description file, where
// the game's 8-bit texts are Latin-1.
QString FieldText(const core::DemoInfo& info, int column);

// "Size", "Final Score" and "Rating" are right-aligned, in the cells and in the headers.
Qt::Alignment AlignmentOf(int column);

// The source kind of a row from its "Location" and "Mod" texts.
int SourceKindOf(const core::DemoInfo& info);
// Kinds 4 to 7 (no mod information) and protocol 46 demos cannot go into the play list.
bool MayEnterPlayList(const ListRow& row);

// The order of the rows sorted by a column (stable): by the rows' own numbers where the column has
// them and both rows hold one, otherwise by the texts shown.
std::vector<int> SortedRows(const std::vector<const core::DemoInfo*>& rows, int column, bool ascending);

class DemoListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Role {
        SortTextRole = Qt::UserRole + 1, // the cell's text as the sort rules read it
        SourceKindRole,
    };
    static constexpr const char* kMimeType = "application/x-velmora-list-rows";

    explicit DemoListModel(QString listName, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction; }
    // Reorders the rows by the list's comparison rules; a stable sort, so equal rows keep their order.
    void sort(int column, Qt::SortOrder order) override;

    const std::vector<ListRow>& Rows() const { return m_rows; }
    const ListRow& Row(int row) const { return m_rows[static_cast<size_t>(row)]; }
    // The demo list's headers of the user data columns show small pictures.
    void SetUserDataHeaderImages(bool on) { m_headerImages = on; }
    // The name that drags of this list carry, so that a drop knows where the rows come from.
    const QString& ListName() const { return m_listName; }

    void Clear();
    void Append(std::vector<ListRow> rows);
    void Insert(int before, std::vector<ListRow> rows);
    // Removes the rows with the given numbers (any order, duplicates allowed).
    void RemoveRowNumbers(std::vector<int> rows);
    // Moves one row so that it ends up at `to` (a row number after the move).
    void MoveRow(int from, int to);
    // Replaces a row's record (a renamed or moved demo) and redraws it.
    void SetRowInfo(int row, const core::DemoInfo& info);

private:
    QString m_listName;
    std::vector<ListRow> m_rows;
    bool m_headerImages = false;
};

} // namespace gui
