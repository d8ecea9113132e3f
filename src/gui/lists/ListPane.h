#pragma once
// What the demo list and the play list share: the model, the details and icon views over one
// selection, the view options (colour, view style, grid lines, full row select, highlight), the
// sort by header clicks, the column layout, the selection sums, and the drag and drop plumbing.
#include <QAction>
#include <QActionGroup>
#include <QColor>
#include <QItemSelectionModel>
#include <QWidget>

#include <array>
#include <cstdint>
#include <vector>

#include "core/row/DemoInfo.h"
#include "core/settings/ColumnSchemes.h"
#include "core/settings/Settings.h"
#include "gui/lists/DemoListModel.h"
#include "gui/lists/ListViews.h"

class QMenu;
class QMimeData;
class QStackedWidget;
class QVBoxLayout;

namespace gui {

enum ViewStyle { BigIcons = 0, SmallIcons = 1, ListStyle = 2, Details = 3 };

struct ListOptions {
    QColor colour;
    int viewStyle = Details;
    bool gridLines = false;
    bool fullRowSelect = false;
    bool highlight = false;
    int sortColumn = 0;
    bool sortAscending = false;
};

// Running sums of a set of rows: how many, their sizes in KB and their play times in seconds.
struct RowTotals {
    int count = 0;
    uint64_t kilobytes = 0;
    uint64_t seconds = 0;
};

// The column widths and order of a list's built-in settings.
core::ColumnScheme BuiltInColumns(const core::ListViewSettings& list);

// "3 item(s) selected. 1.50 MB. Playtime: 00:04:10."
QString SelectionText(const RowTotals& totals);
// FormatSize of a byte count with 2 decimals.
QString SizeText(uint64_t bytes);

class ListPane : public QWidget {
    Q_OBJECT
public:
    // `builtIn`: the list's built-in column layout, with core::kCaptionWidth for the columns shown.
    ListPane(const QString& listName, const core::ColumnScheme& builtIn, QWidget* parent = nullptr);

    DemoListModel& Model() { return m_model; }
    const DemoListModel& Model() const { return m_model; }
    QItemSelectionModel& Selection() { return *m_selection; }
    DetailsView& DetailsPart() { return *m_details; }
    IconsView& IconsPart() { return *m_icons; }
    // The view the user sees now: the details view or the icon view.
    QAbstractItemView& CurrentView() const;

    void ApplyOptions(const ListOptions& options);
    ListOptions Options() const;
    // The built-in layout, its shown columns wide enough for typical values (and never narrower
    // than their captions), the others hidden.
    core::ColumnScheme DefaultColumns() const;
    void ApplyColumns(const core::ColumnScheme& layout);
    core::ColumnScheme Columns() const;

    void SetViewStyle(int style);
    void SetBackground(const QColor& colour);
    void SetGridLines(bool on);
    void SetFullRowSelect(bool on);
    void SetHighlight(bool on);

    // Sorts by the column in the order, remembers both and scrolls the first selected row into view.
    void SortBy(int column, bool ascending);
    // Sorts again by the remembered column and direction.
    void SortAgain() { SortBy(m_sortColumn, m_sortAscending); }
    int SortColumn() const { return m_sortColumn; }
    bool SortAscending() const { return m_sortAscending; }

    // Selected row numbers in list order.
    std::vector<int> SelectedRows() const;
    void SelectRows(const std::vector<int>& rows, bool keepOthers);
    void SelectAllRows();
    void ScrollToRow(int row);
    // The row under a point of the current view's viewport; -1 for none.
    int RowAt(const QPoint& viewportPos) const;
    RowTotals TotalsOf(const std::vector<int>& rows) const;
    RowTotals SelectionTotals() const { return TotalsOf(SelectedRows()); }

    // The entries every list's context menu ends with, in the order of the menu.
    void AddViewEntries(QMenu& menu);
    QAction* ChooseColumnsAction() const { return m_chooseColumns; }
    QAction* SaveSchemeAction() const { return m_saveScheme; }
    QAction* LoadSchemeAction() const { return m_loadScheme; }
    QAction* SelectAllAction() const { return m_selectAll; }
    QAction* RefreshAction() const { return m_refresh; }
    QAction* GridAction() const { return m_grid; }
    QAction* FullRowAction() const { return m_fullRow; }
    QAction* HighlightAction() const { return m_highlight; }
    QAction* StyleAction(int style) const { return m_styles[static_cast<size_t>(style & 3)]; }
    QAction* BackgroundAction() const { return m_background; }

    // The list a drag carries rows of ("" when the drag holds no list rows).
    static QString DraggedList(const QMimeData* data);

signals:
    // Emitted after every change of the selection, of the rows and of a sort.
    void selectionChangedByUser();
    void rowsChanged();
    void backgroundChanged(const QColor& colour);

protected:
    // Drags and drops: the pane decides what they mean.
    virtual bool AcceptsDrop(const QMimeData* data, const QPoint& viewportPos) = 0;
    virtual void Drop(const QMimeData* data, const QPoint& viewportPos) = 0;
    virtual bool MayDragOut() const { return true; }
    // Mouse moves over the current view's viewport (the demo list shows texts and cursors).
    virtual void MouseMovedOver(const QPoint& /*viewportPos*/) {}
    virtual void MouseLeft() {}
    virtual void LeftClicked(const QPoint& /*viewportPos*/, QMouseEvent* /*event*/) {}
    virtual void ContextMenuAt(const QPoint& globalPos) = 0;
    virtual void Activated(int /*row*/) {}

    bool eventFilter(QObject* watched, QEvent* event) override;
    QVBoxLayout& PaneLayout() { return *m_layout; }
    // Adds an action whose key works while this list has the focus.
    QAction* AddKeyedAction(const QString& text, const QKeySequence& key = {});
    // The drawing of this list's column chooser (gui/common/CommandIcons), shown in the list's colour.
    void SetColumnsDrawing(const char* name);

private:
    void StartDrag();
    void ChooseBackground();
    void ShowColumnsIcon();

    DemoListModel m_model;
    core::ColumnScheme m_builtInColumns;
    QVBoxLayout* m_layout = nullptr;
    QItemSelectionModel* m_selection = nullptr;
    QStackedWidget* m_stack = nullptr;
    DetailsView* m_details = nullptr;
    IconsView* m_icons = nullptr;
    ListDelegate* m_delegate = nullptr;
    int m_viewStyle = Details;
    int m_sortColumn = 0;
    bool m_sortAscending = false;
    // The order the rows are in since the last sort, until rows change; -1: unknown.
    int m_sortedColumn = -1;
    bool m_sortedAscending = false;
    QColor m_colour;

    QAction* m_background = nullptr;
    QAction* m_chooseColumns = nullptr;
    const char* m_columnsDrawing = nullptr;
    QAction* m_saveScheme = nullptr;
    QAction* m_loadScheme = nullptr;
    QAction* m_grid = nullptr;
    QAction* m_fullRow = nullptr;
    QAction* m_highlight = nullptr;
    std::array<QAction*, 4> m_styles{};
    QActionGroup* m_styleGroup = nullptr;
    QAction* m_selectAll = nullptr;
    QAction* m_refresh = nullptr;
};

} // namespace gui
