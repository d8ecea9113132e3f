#include "gui/lists/PlayListPane.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMenu>
#include <QPropertyAnimation>
#include <QResizeEvent>
#include <QVBoxLayout>

#include "gui/common/CommandIcons.h"
#include "gui/lists/DemoListPane.h"

namespace gui {

PlayListPane::PlayListPane(QWidget* parent)
    : ListPane(QStringLiteral("play list"), BuiltInColumns(core::ListViewSettings::PlayListDefaults()), parent)
{
    setObjectName(QStringLiteral("ListView2"));
    m_nameLabel = new QLabel(this);
    m_nameLabel->setObjectName(QStringLiteral("PlayListName"));
    m_nameLabel->setAlignment(Qt::AlignCenter);
    m_nameLabel->setMinimumWidth(1);
    m_nameLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    PaneLayout().insertWidget(0, m_nameLabel);
    auto* opacity = new QGraphicsOpacityEffect(m_nameLabel);
    m_nameLabel->setGraphicsEffect(opacity);
    m_fade = new QPropertyAnimation(opacity, "opacity", this);
    m_fade->setDuration(2400);
    m_fade->setKeyValueAt(0, 0.15);
    m_fade->setKeyValueAt(0.5, 1.0);
    m_fade->setKeyValueAt(1, 0.15);
    m_fade->setLoopCount(-1);

    // Playing and properties are connected by the playback and properties windows.
    m_play = AddKeyedAction(QStringLiteral("Play it"));
    m_remove = AddKeyedAction(QStringLiteral("Remove from Playlist"), QKeySequence(Qt::Key_Delete));
    connect(m_remove, &QAction::triggered, this, &PlayListPane::RemoveSelected);
    m_editUserData = AddKeyedAction(QStringLiteral("Edit Userdata.."));
    m_properties = AddKeyedAction(QStringLiteral("Properties.."));
    SetColumnsDrawing("columns-playlist");
    m_play->setIcon(CommandIcon("play"));
    m_remove->setIcon(CommandIcon("playlist-remove"));
    m_editUserData->setIcon(CommandIcon("user-data-edit"));
    m_properties->setIcon(CommandIcon("properties"));
    // The play list's refresh only paints it again.
    connect(RefreshAction(), &QAction::triggered, this, [this] { CurrentView().viewport()->update(); });

    connect(this, &ListPane::selectionChangedByUser, this, [this] {
        emit statusText(SelectionText(SelectionTotals()));
        UpdateCommands();
    });
    connect(this, &ListPane::rowsChanged, this, &PlayListPane::UpdateCommands);
    UpdateCommands();
}

void PlayListPane::UpdateCommands()
{
    const std::vector<int> rows = SelectedRows();
    const bool one = rows.size() == 1;
    // The play list plays what a play list file brought in, whatever its protocol.
    m_play->setEnabled(one && Model().Row(rows.front()).sourceKind <= 3);
    m_remove->setEnabled(!rows.empty());
    m_editUserData->setEnabled(one);
    m_properties->setEnabled(one);
    SelectAllAction()->setEnabled(Model().rowCount() > 0);
    emit commandsChanged();
}

void PlayListPane::AddFromDemoList(int before)
{
    if (!m_demoList)
        return;
    std::vector<ListRow> copies;
    for (const int row : m_demoList->SelectedRows())
        copies.push_back(m_demoList->Model().Row(row));
    if (copies.empty())
        return;
    const int at = before < 0 || before > Model().rowCount() ? Model().rowCount() : before;
    const int count = static_cast<int>(copies.size());
    Model().Insert(at, std::move(copies));
    std::vector<int> added(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        added[static_cast<size_t>(i)] = at + i;
    SelectRows(added, true);
    const std::vector<int> selected = SelectedRows();
    if (!selected.empty())
        ScrollToRow(selected.front());
    ShowTotalsOfAll();
}

void PlayListPane::ShowTotalsOfAll()
{
    std::vector<int> all(static_cast<size_t>(Model().rowCount()));
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = static_cast<int>(i);
    RowTotals totals = TotalsOf(all);
    totals.count = static_cast<int>(SelectedRows().size());
    emit statusText(SelectionText(totals));
}

void PlayListPane::MoveSelectedOnto(int target)
{
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1 || target < 0 || target >= Model().rowCount())
        return;
    // Coming from above it lands just after the target, from below just before it: either way
    // it takes the target's place.
    Model().MoveRow(rows.front(), target);
}

void PlayListPane::RemoveSelected()
{
    Model().RemoveRowNumbers(SelectedRows());
    emit statusText(SelectionText(SelectionTotals()));
}

bool PlayListPane::AcceptsDrop(const QMimeData* data, const QPoint&)
{
    const QString from = DraggedList(data);
    if (from.isEmpty() || !m_demoList)
        return false;
    // The demo list's selection decides, wherever the drag began: it must be fit for playing.
    const std::vector<int> rows = m_demoList->SelectedRows();
    return std::all_of(rows.begin(), rows.end(),
                       [this](int row) { return MayEnterPlayList(m_demoList->Model().Row(row)); });
}

void PlayListPane::Drop(const QMimeData* data, const QPoint& viewportPos)
{
    const int target = RowAt(viewportPos);
    if (DraggedList(data) == Model().ListName())
        MoveSelectedOnto(target);
    else
        AddFromDemoList(target);
}

void PlayListPane::Activated(int)
{
    if (m_properties->isEnabled())
        m_properties->trigger();
}

void PlayListPane::ContextMenuAt(const QPoint& globalPos)
{
    UpdateCommands();
    QMenu menu(this);
    menu.addAction(m_play);
    menu.addAction(m_remove);
    menu.addSeparator();
    menu.addAction(m_editUserData);
    menu.addAction(SelectAllAction());
    menu.addAction(m_properties);
    menu.setDefaultAction(m_properties);
    menu.addSeparator();
    AddViewEntries(menu);
    menu.exec(globalPos);
}

void PlayListPane::SetNameLabel(const QString& text)
{
    m_nameText = text;
    const int room = std::max(20, m_nameLabel->width() - 8);
    m_nameLabel->setText(m_nameLabel->fontMetrics().elidedText(text, Qt::ElideMiddle, room));
    m_nameLabel->setToolTip(text);
    if (m_fade->state() != QAbstractAnimation::Running)
        m_fade->start();
}

QString PlayListPane::NameLabelText() const
{
    return m_nameText;
}

bool PlayListPane::NameLabelVisible() const
{
    return m_nameLabel->isVisibleTo(this);
}

void PlayListPane::SetNameLabelVisible(bool visible)
{
    m_nameLabel->setVisible(visible);
}

} // namespace gui
