#include "gui/details/DemoDetails.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QHeaderView>
#include <QInputDialog>
#include <QLayout>
#include <QScreen>
#include <QUrl>

#include "core/library/FolderTreeOps.h"
#include "core/playback/PlayList.h"
#include "core/row/DemoInfo.h"
#include "core/settings/Settings.h"
#include "core/sound/SoundSystem.h"
#include "core/summary/DemoReader.h"
#include "gui/common/BusyScope.h"
#include "gui/common/MessageSink.h"
#include "gui/common/PaneHost.h"
#include "gui/common/WindowPlacement.h"
#include "gui/details/ColouredText.h"
#include "gui/details/DescriptionFailure.h"
#include "gui/details/PropertiesWindow.h"
#include "gui/details/UserDataEditor.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/PlayListPane.h"
#include "gui/sound/SoundFailure.h"
#include "gui/tree/FolderTreePane.h"

namespace gui {

namespace {

std::vector<std::string> PlayerNames(const core::DemoState& demo)
{
    std::vector<std::string> names;
    for (const core::Player& player : demo.players)
        if (!player.name.empty() && player.team <= 2)
            names.push_back(player.name);
    return names;
}

bool DemoIsThere(const ListRow& row)
{
    const core::DemoInfo& info = row.info;
    const std::string path = core::IsArchiveMember(row.sourceKind)
                                 ? info[core::FieldLocation]
                                 : info[core::FieldLocation] + "/" + info[core::FieldDemoname];
    std::error_code error;
    if (std::filesystem::exists(path, error))
        return true;
    gui::Messages().Information("File not found: " + path, "File not more available");
    return false;
}

} // namespace

std::string DemoFolderOf(const std::string& location)
{
    // A demo inside an archive belongs to the folder that holds the archive.
    const std::filesystem::path path(location);
    std::error_code error;
    const bool archive = std::filesystem::is_regular_file(path, error) ||
                         (!std::filesystem::exists(path, error) && path.has_extension());
    std::string folder = archive ? path.parent_path().string() : location;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

DemoDetails::DemoDetails(PaneHost& window) : QObject(&window), m_window(window)
{
    setObjectName(QStringLiteral("DemoDetails"));
    askText = [this](const QString& title, const QString& prompt, const QString& preset) -> std::optional<QString> {
        bool ok = false;
        const QString text = QInputDialog::getText(&m_window, title, prompt, QLineEdit::Normal, preset, &ok);
        return ok ? std::optional<QString>(text) : std::nullopt;
    };
    openLink = [](const QString& link) { QDesktopServices::openUrl(QUrl(link)); };

    DemoListPane& demoList = window.DemoList();
    PlayListPane& playList = window.PlayList();
    // Enter opens the properties through the views' activation; the menus name the key.
    for (QAction* properties : {demoList.PropertiesAction(), playList.PropertiesAction()})
        properties->setText(QStringLiteral("Properties..\tEnter"));
    connect(demoList.PropertiesAction(), &QAction::triggered, this, [this] { OpenProperties(m_window.DemoList()); });
    connect(playList.PropertiesAction(), &QAction::triggered, this, [this] { OpenProperties(m_window.PlayList()); });
    for (ListPane* pane : {static_cast<ListPane*>(&demoList), static_cast<ListPane*>(&playList)}) {
        QAction* edit = pane == &demoList ? demoList.EditUserDataAction() : playList.EditUserDataAction();
        connect(edit, &QAction::triggered, this, [this, pane] {
            const std::vector<int> rows = pane->SelectedRows();
            if (rows.size() == 1)
                OpenEditorForRow(*pane, rows.front());
        });
    }
    connect(demoList.SameWebLocationAction(), &QAction::triggered, this, &DemoDetails::SetSameWebLocation);
    connect(demoList.ClearUserDataAction(), &QAction::triggered, this, &DemoDetails::ClearUserData);
    connect(&demoList, &DemoListPane::userDataCellClicked, this,
            [this](int row, int column, const QPoint& globalPos, int columnWidth) {
                OpenEditorForCell(row, column, globalPos, columnWidth);
            });
}

PropertiesWindow* DemoDetails::Properties() const
{
    return m_prop;
}

UserDataEditor* DemoDetails::Editor() const
{
    return m_editor;
}

std::filesystem::path DemoDetails::DescriptionPath(const std::string& demoName) const
{
    return core::DemoDescriptionPath(core::Settings.paths.demoDataDirectory, demoName);
}

void DemoDetails::OpenProperties(ListPane& pane)
{
    if (gui::BusyCount > 0)
        return;
    const std::vector<int> rows = pane.SelectedRows();
    if (rows.size() != 1)
        return;
    const ListRow row = pane.Model().Row(rows.front());
    if (!DemoIsThere(row))
        return;
    // From the fill until the music started: the fill fades out the music and waits meanwhile.
    const gui::BusyScope busy;
    if (!m_prop) {
        m_prop = new PropertiesWindow(*this, &m_window);
        m_prop->resize(760, 440);
    }
    m_prop->FillFromList(row, &pane == &m_window.PlayList());
    ShowActive(*m_prop);
    m_prop->StartFade();
    ShowSoundOutcome(core::Sound().PlayMapMusic(m_prop->LevelShotPack(), m_prop->Demo().music));
}

UserDataEditor& DemoDetails::EnsureEditor(bool centred)
{
    if (!m_editor) {
        m_editor = new UserDataEditor(*this, &m_window);
        // Its final size, which the placing rules measure from.
        if (QLayout* layout = m_editor->layout())
            layout->activate();
        if (centred)
            CentreOnCursorScreen(*m_editor);
    }
    return *m_editor;
}

bool DemoDetails::PropertiesShow(const ListRow& entry) const
{
    if (!m_prop)
        return false;
    const core::DemoInfo& shown = m_prop->Snapshot().info;
    return shown[core::FieldDemoname] == entry.info[core::FieldDemoname] &&
           shown[core::FieldLocation] == entry.info[core::FieldLocation] &&
           shown[core::FieldArchiveLocation] == entry.info[core::FieldArchiveLocation];
}

std::vector<std::string> DemoDetails::ReadPlayers(const ListRow& entry)
{
    const core::DemoInfo& info = entry.info;
    if (core::IsArchiveMember(entry.sourceKind)) {
        const std::string& folder = info[core::FieldArchiveLocation];
        return PlayerNames(ShownDemoRead(
            core::LoadDemo(folder.empty() ? info[core::FieldDemoname] : folder + "\\" + info[core::FieldDemoname],
                           info[core::FieldLocation], false)));
    }
    return PlayerNames(ShownDemoRead(
        core::LoadDemo(info[core::FieldLocation] + "/" + info[core::FieldDemoname], std::string(), false)));
}

void DemoDetails::OpenEditorForRow(ListPane& pane, int row, int focusField)
{
    if (row < 0 || row >= pane.Model().rowCount())
        return;
    const ListRow entry = pane.Model().Row(row);
    // The properties window read its demo in full already, but it may show another demo than
    // the row's.
    const std::vector<std::string> players = PropertiesShow(entry) ? PlayerNames(m_prop->Demo()) : ReadPlayers(entry);
    const bool created = !m_editor;
    UserDataEditor& editor = EnsureEditor(false);
    editor.Load(entry.info[core::FieldDemoname], entry.info[core::FieldLocation], players, &pane, row);
    if (created) {
        // Once shown, when its frame is known: beside the list's first column, its bottom edge at
        // the mouse.
        const QHeaderView* header = pane.DetailsPart().header();
        const int firstWidth = header->sectionSize(header->logicalIndex(0));
        const int left = m_window.geometry().left() + pane.mapTo(&m_window, QPoint(0, 0)).x() + firstWidth + 10;
        PlaceWindow(editor, QPoint(left, QCursor::pos().y() - editor.frameGeometry().height()));
    }
    editor.FocusField(focusField);
}

void DemoDetails::OpenEditorForCell(int row, int column, const QPoint& globalPos, int columnWidth)
{
    ListPane& pane = m_window.DemoList();
    if (row < 0 || row >= pane.Model().rowCount())
        return;
    const ListRow entry = pane.Model().Row(row);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::vector<std::string> players = ReadPlayers(entry);
    const bool created = !m_editor;
    UserDataEditor& editor = EnsureEditor(false);
    editor.Load(entry.info[core::FieldDemoname], entry.info[core::FieldLocation], players, &pane, row);
    // Placed once shown, when its frame is known: right of the clicked cell, its middle at the
    // mouse, so that the cell stays in sight.
    if (created)
        PlaceWindow(editor, QPoint(globalPos.x() + columnWidth, globalPos.y() - editor.frameGeometry().height() / 2));
    editor.FocusField(column);
    QApplication::restoreOverrideCursor();
}

void DemoDetails::OpenEditorFor(const std::string& demoName, const std::string& location)
{
    // Only the properties window opens the editor this way; it read the demo already.
    std::vector<std::string> players = m_prop ? PlayerNames(m_prop->Demo()) : std::vector<std::string>();
    EnsureEditor(true).Load(demoName, location, players, nullptr, -1);
}

void DemoDetails::UpdateRowAfterApply(const std::string& demoName, const std::string& location, ListPane* pane, int row,
                                      const core::DemoUserData& written, bool fileRemains)
{
    const core::FolderNode* node = m_window.TreePane().Tree().Selected();
    if (!node || core::NodePath(*node) != DemoFolderOf(location))
        return;
    const QString name = PathText(demoName);
    auto nameMatches = [&](ListPane& list, int r) {
        return QString::compare(FieldText(list.Model().Row(r).info, core::FieldDemoname), name, Qt::CaseInsensitive) ==
               0;
    };
    ListPane* target = nullptr;
    int targetRow = -1;
    if (pane && row >= 0 && row < pane->Model().rowCount() && nameMatches(*pane, row)) {
        target = pane;
        targetRow = row;
    } else {
        for (ListPane* list :
             {static_cast<ListPane*>(&m_window.DemoList()), static_cast<ListPane*>(&m_window.PlayList())}) {
            for (int r = 0; r < list->Model().rowCount() && !target; ++r)
                if (nameMatches(*list, r)) {
                    target = list;
                    targetRow = r;
                }
            if (target)
                break;
        }
    }
    if (!target)
        return;
    core::DemoInfo info = target->Model().Row(targetRow).info;
    info[core::FieldPOV] = fileRemains ? core::StripColourCodesUtf8(written.pov) : std::string();
    info[core::FieldRating] = fileRemains && written.rating != "0" ? written.rating : std::string();
    info[core::FieldWeb] = fileRemains ? written.web : std::string();
    info[core::FieldDescription] =
        fileRemains && !written.description.empty() && written.description.front() != core::kEmptyFieldLine
            ? written.description.front()
            : std::string();
    target->Model().SetRowInfo(targetRow, info);
}

void DemoDetails::SetSameWebLocation()
{
    const QString preset = QStringLiteral("http://");
    const std::optional<QString> answer =
        askText(QStringLiteral("Set Web Location"), QStringLiteral("Set Web Location for all selected demos"), preset);
    if (!answer || *answer == preset)
        return;
    const std::string web = Utf8Bytes(*answer);
    DemoListPane& list = m_window.DemoList();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (const int row : list.SelectedRows()) {
        core::DemoInfo info = list.Model().Row(row).info;
        if (!ShowDescriptionFailure(core::WriteWebLocation(DescriptionPath(info[core::FieldDemoname]), web)))
            continue;
        info[core::FieldWeb] = web;
        list.Model().SetRowInfo(row, info);
    }
    QApplication::restoreOverrideCursor();
}

void DemoDetails::ClearUserData()
{
    DemoListPane& list = m_window.DemoList();
    const std::vector<int> rows = list.SelectedRows();
    if (rows.empty())
        return;
    if (!gui::Messages().Question("Really delete all User Data for the " + std::to_string(rows.size()) +
                                      " selected demos?",
                                  "Clear User Data"))
        return;
    for (const int row : rows) {
        core::DemoInfo info = list.Model().Row(row).info;
        const auto path = DescriptionPath(info[core::FieldDemoname]);
        std::error_code error;
        if (!std::filesystem::exists(path, error))
            continue;
        core::ClearDemoUserData(path);
        for (const int column : {core::FieldWeb, core::FieldPOV, core::FieldDescription, core::FieldRating})
            info[column].clear();
        list.Model().SetRowInfo(row, info);
    }
}

} // namespace gui
