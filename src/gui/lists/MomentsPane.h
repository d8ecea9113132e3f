#pragma once
// The moments view of the list: while the search bar holds a moment search (frag, capture, say:
// ...), the moments it finds across the library take the demo list's place, one a row with its
// demo, time, who, what and map. Double-click or Enter plays from the moment; the context menu
// and the "Moments" menu save clips of them or add clips to the play list.
#include <QWidget>

#include <vector>

#include "gui/lists/MomentsModel.h"

class QMenu;
class QTreeView;

namespace gui {

class MomentsPane : public QWidget {
    Q_OBJECT
public:
    explicit MomentsPane(QWidget* parent = nullptr);

    // Shows the moments of a search (by demo and time) with the search's summary.
    void Show(std::vector<core::Moment> moments, const QString& summary);
    // The status bar's text for the search while nothing is selected.
    void SetSummary(const QString& text);
    const QString& Summary() const { return m_summary; }

    MomentsModel& Model() { return m_model; }
    QTreeView& View() { return *m_view; }
    std::vector<int> SelectedRows() const;
    void SelectRows(const std::vector<int>& rows);
    // Sorts by the column in the order, as a click on its header does.
    void SortBy(int column, bool ascending);
    int SortColumn() const { return m_sortColumn; }
    bool SortAscending() const { return m_sortAscending; }

    QAction* PlayFromAction() const { return m_playFrom; }
    QAction* SaveClipAction() const { return m_saveClip; }
    QAction* SaveAllClipsAction() const { return m_saveAll; }
    QAction* AddToPlayListAction() const { return m_addToPlayList; }
    // The commands in the order of the context menu, for the main window's menu too.
    void AddCommands(QMenu& menu) const;

signals:
    void statusText(const QString& text);

private:
    void UpdateCommands();
    void ShowSelectionText();

    MomentsModel m_model;
    QTreeView* m_view = nullptr;
    QString m_summary;
    int m_sortColumn = -1; // -1: by demo and time, as found
    bool m_sortAscending = true;
    QAction* m_playFrom = nullptr;
    QAction* m_saveClip = nullptr;
    QAction* m_saveAll = nullptr;
    QAction* m_addToPlayList = nullptr;
};

} // namespace gui
