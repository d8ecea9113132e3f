#include "gui/lists/DemoListPane.h"

#include <QDesktopServices>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

#include <algorithm>

#include "core/playback/PlayList.h"
#include "gui/common/CommandIcons.h"

namespace gui {
namespace {

// The program's own pointer for web links: an arrow with a small globe.
QCursor MakeLinkCursor()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF arrow[] = {{1, 1}, {1, 17}, {5, 13}, {8, 20}, {11, 19}, {8, 12}, {13, 12}};
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(Qt::black);
    p.drawPolygon(arrow, 7);
    const QRectF globe(14, 14, 16, 16);
    p.setPen(QPen(QColor(20, 60, 160), 1.5));
    p.setBrush(QColor(120, 180, 250));
    p.drawEllipse(globe);
    p.drawEllipse(globe.adjusted(5, 0, -5, 0));
    p.drawLine(QPointF(globe.left(), globe.center().y()), QPointF(globe.right(), globe.center().y()));
    return QCursor(pixmap, 1, 1);
}

} // namespace

DemoListPane::DemoListPane(QWidget* parent)
    : ListPane(QStringLiteral("demo list"), BuiltInColumns(core::ListViewSettings::DemoListDefaults()), parent),
      m_linkCursor(MakeLinkCursor())
{
    setObjectName(QStringLiteral("ListView1"));
    Model().SetUserDataHeaderImages(true);
    // Play and properties belong to the playback and properties windows, which connect them.
    m_play = AddKeyedAction(QStringLiteral("Play it"));
    m_moveToPlayList = AddKeyedAction(QStringLiteral("Move to Playlist"));
    m_exportVideo = AddKeyedAction(QStringLiteral("Export video..."));
    // File operations and user data commands are connected by their own windows.
    m_delete = AddKeyedAction(QStringLiteral("Delete.."), QKeySequence(Qt::Key_Delete));
    m_deletePermanently =
        AddKeyedAction(QStringLiteral("Delete Permanently.."), QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    m_rename = AddKeyedAction(QStringLiteral("Rename"), QKeySequence(Qt::Key_F2));
    m_defragRename = AddKeyedAction(QStringLiteral("Rename to the DeFRaG convention..."));
    m_editUserData = AddKeyedAction(QStringLiteral("Edit Userdata.."), QKeySequence(Qt::CTRL | Qt::Key_E));
    m_sameWeb = AddKeyedAction(QStringLiteral("Set the same Web Location for selected demos"));
    m_clearUserData = AddKeyedAction(QStringLiteral("Clear complete User Data for selected demos"));
    m_properties = AddKeyedAction(QStringLiteral("Properties.."));
    m_reparse = AddKeyedAction(QStringLiteral("Reparse List"), QKeySequence(Qt::Key_F6));
    SetColumnsDrawing("columns-demolist");
    m_play->setIcon(CommandIcon("play"));
    m_moveToPlayList->setIcon(CommandIcon("playlist-add"));
    m_exportVideo->setIcon(CommandIcon("video-export"));
    m_delete->setIcon(CommandIcon("delete"));
    m_deletePermanently->setIcon(CommandIcon("delete-permanently"));
    m_rename->setIcon(CommandIcon("rename"));
    m_defragRename->setIcon(CommandIcon("rename-defrag"));
    m_editUserData->setIcon(CommandIcon("user-data-edit"));
    m_sameWeb->setIcon(CommandIcon("web-location"));
    m_clearUserData->setIcon(CommandIcon("user-data-clear"));
    m_properties->setIcon(CommandIcon("properties"));
    m_reparse->setIcon(CommandIcon("reparse"));

    connect(this, &ListPane::selectionChangedByUser, this, [this] {
        ShowSelectionText();
        UpdateCommands();
    });
    connect(this, &ListPane::rowsChanged, this, &DemoListPane::UpdateCommands);
    UpdateCommands();
}

void DemoListPane::SetSummary(const QString& text)
{
    m_summary = text;
    if (Selection().selection().isEmpty())
        Show(m_summary, true);
}

void DemoListPane::SetReadOnlyMode(bool on)
{
    m_readOnly = on;
    UpdateCommands();
}

bool DemoListPane::SelectionMayEnterPlayList() const
{
    const std::vector<int> rows = SelectedRows();
    if (rows.empty())
        return false;
    return std::all_of(rows.begin(), rows.end(), [this](int row) { return MayEnterPlayList(Model().Row(row)); });
}

bool DemoListPane::CanPlay() const
{
    const std::vector<int> rows = SelectedRows();
    if (rows.size() != 1)
        return false;
    const ListRow& row = Model().Row(rows.front());
    return core::IsPlayable(row.info);
}

void DemoListPane::UpdateCommands()
{
    const std::vector<int> rows = SelectedRows();
    const bool one = rows.size() == 1;
    const bool any = !rows.empty();
    bool anyArchived = false; // kinds 1 to 3 cannot be deleted
    bool allMayEnter = any;
    for (const int row : rows) {
        const ListRow& entry = Model().Row(row);
        anyArchived = anyArchived || (entry.sourceKind >= 1 && entry.sourceKind <= 3);
        allMayEnter = allMayEnter && MayEnterPlayList(entry);
    }
    const int kind = one ? Model().Row(rows.front()).sourceKind : -1;
    m_play->setEnabled(CanPlay());
    m_exportVideo->setEnabled(CanPlay());
    m_moveToPlayList->setEnabled(allMayEnter);
    m_delete->setEnabled(any && !anyArchived && !m_readOnly);
    m_deletePermanently->setEnabled(m_delete->isEnabled());
    m_rename->setEnabled(one && (kind == 0 || kind >= 4) && !m_readOnly);
    m_defragRename->setEnabled(!m_readOnly && std::any_of(rows.begin(), rows.end(), [&](int row) {
        return Model().Row(row).info.defrag.has_value();
    }));
    m_editUserData->setEnabled(one);
    m_sameWeb->setEnabled(any);
    m_clearUserData->setEnabled(any);
    SelectAllAction()->setEnabled(Model().rowCount() > 0);
    m_properties->setEnabled(one);
    emit commandsChanged();
}

void DemoListPane::Show(const QString& text, bool remember)
{
    if (remember)
        m_shownText = text;
    emit statusText(text);
}

void DemoListPane::ShowSelectionText()
{
    const std::vector<int> rows = SelectedRows();
    if (rows.empty())
        Show(m_summary, true);
    else
        Show(SelectionText(TotalsOf(rows)), true);
}

bool DemoListPane::IsWebLink(const QString& text)
{
    static const char* const schemes[] = {"file://", "ftp://", "gopher://", "http://", "https://",
                                          "mailto:", "news:",  "telnet:",   "wais:"};
    for (const char* scheme : schemes)
        if (text.startsWith(QLatin1String(scheme), Qt::CaseInsensitive))
            return true;
    return false;
}

QModelIndex DemoListPane::UserDataCellAt(const QPoint& viewportPos) const
{
    if (&CurrentView() != &const_cast<DemoListPane*>(this)->DetailsPart())
        return {};
    const QModelIndex index = CurrentView().indexAt(viewportPos);
    if (!index.isValid() || index.column() < core::FieldPOV || index.column() > core::FieldDescription)
        return {};
    return index;
}

void DemoListPane::MouseMovedOver(const QPoint& viewportPos)
{
    const QModelIndex cell = UserDataCellAt(viewportPos);
    QWidget* viewport = CurrentView().viewport();
    if (!cell.isValid()) {
        if (m_overUserData) {
            m_overUserData = false;
            viewport->unsetCursor();
            Show(m_shownText, false);
        }
        return;
    }
    m_overUserData = true;
    const core::DemoInfo& info = Model().Row(cell.row()).info;
    const QString web = FieldText(info, core::FieldWeb);
    if (cell.column() == core::FieldWeb && IsWebLink(web)) {
        viewport->setCursor(m_linkCursor);
        Show(QStringLiteral("Web action: ") + web, false);
    } else {
        viewport->setCursor(Qt::PointingHandCursor);
        Show(QStringLiteral("Edit User Data of ") +
                 Model().data(Model().index(cell.row(), 0), Qt::DisplayRole).toString(),
             false);
    }
}

void DemoListPane::MouseLeft()
{
    if (!m_overUserData)
        return;
    m_overUserData = false;
    CurrentView().viewport()->unsetCursor();
    Show(m_shownText, false);
}

void DemoListPane::LeftClicked(const QPoint& viewportPos, QMouseEvent*)
{
    if (clicksBlocked && clicksBlocked())
        return;
    const QModelIndex cell = UserDataCellAt(viewportPos);
    if (!cell.isValid())
        return;
    const QString web = FieldText(Model().Row(cell.row()).info, core::FieldWeb);
    if (cell.column() == core::FieldWeb && IsWebLink(web)) {
        // The desktop's own handler reports a link it cannot open.
        QDesktopServices::openUrl(QUrl(web));
        return;
    }
    // The row joins the selection; the current cell stays, so the list does not scroll away from
    // the column the user works in.
    Selection().select(
        QItemSelection(Model().index(cell.row(), 0), Model().index(cell.row(), core::DemoFieldCount - 1)),
        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const int columnWidth = DetailsPart().header()->sectionSize(cell.column());
    emit userDataCellClicked(cell.row(), cell.column(), CurrentView().viewport()->mapToGlobal(viewportPos),
                             columnWidth);
}

bool DemoListPane::eventFilter(QObject* watched, QEvent* event)
{
    // A press on a user data cell belongs to the click that opens the editor: the view's own
    // handling would make that row the only selected one (and a double click would open the
    // properties).
    const QEvent::Type type = event->type();
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) &&
        watched == CurrentView().viewport() && !(clicksBlocked && clicksBlocked())) {
        auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::LeftButton && UserDataCellAt(press->position().toPoint()).isValid())
            return true;
    }
    return ListPane::eventFilter(watched, event);
}

void DemoListPane::Activated(int)
{
    if (m_properties->isEnabled())
        m_properties->trigger();
}

bool DemoListPane::AcceptsDrop(const QMimeData* data, const QPoint&)
{
    // The only drop the demo list takes: play list rows, which leave the play list.
    return DraggedList(data) == QStringLiteral("play list");
}

void DemoListPane::Drop(const QMimeData*, const QPoint&)
{
    emit playListRowsDropped();
}

void DemoListPane::ContextMenuAt(const QPoint& globalPos)
{
    UpdateCommands();
    QMenu menu(this);
    menu.addAction(m_play);
    menu.addAction(m_moveToPlayList);
    menu.addAction(m_exportVideo);
    menu.addSeparator();
    menu.addAction(m_delete);
    menu.addAction(m_deletePermanently);
    menu.addAction(m_rename);
    menu.addAction(m_defragRename);
    menu.addSeparator();
    menu.addAction(m_editUserData);
    menu.addAction(m_sameWeb);
    menu.addAction(m_clearUserData);
    menu.addSeparator();
    menu.addAction(SelectAllAction());
    menu.addAction(m_properties);
    menu.setDefaultAction(m_properties);
    menu.addSeparator();
    AddViewEntries(menu);
    menu.addAction(m_reparse);
    menu.exec(globalPos);
}

} // namespace gui
