#include "gui/lists/ListFiller.h"

#include "gui/lists/ListPane.h"

namespace gui {

void ListFiller::Clear()
{
    m_pending.clear();
    m_pane.Model().Clear();
}

void ListFiller::AddRow(core::DemoInfo row)
{
    const int kind = SourceKindOf(row);
    m_pending.push_back({std::move(row), kind});
}

void ListFiller::SortByCurrentColumn()
{
    Flush();
    m_pane.SortAgain();
}

int ListFiller::RowCount() const
{
    return m_pane.Model().rowCount() + static_cast<int>(m_pending.size());
}

void ListFiller::Flush()
{
    if (m_pending.empty())
        return;
    m_pane.Model().Append(std::move(m_pending));
    m_pending.clear();
}

} // namespace gui
