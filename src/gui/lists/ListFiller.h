#pragma once
// Lets the scanner fill one of the list panes. Rows are gathered while the scanner works and
// handed to the model at once when it ends (or sorts), so that the window stays responsive and
// the view is not laid out again for every one of thousands of rows.
#include <vector>

#include "core/library/LibraryFeedback.h"
#include "gui/lists/DemoListModel.h"

namespace gui {

class ListPane;

class ListFiller : public core::ScanTarget {
public:
    explicit ListFiller(ListPane& pane) : m_pane(pane) {}

    void Clear() override;
    void BeginUpdate() override {}
    void AddRow(core::DemoInfo row) override;
    void EndUpdate() override { Flush(); }
    void SortByCurrentColumn() override;
    int RowCount() const override;

private:
    void Flush();

    ListPane& m_pane;
    std::vector<ListRow> m_pending;
};

} // namespace gui
