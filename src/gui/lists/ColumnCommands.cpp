#include "gui/lists/ColumnCommands.h"

#include <QDir>
#include <QFileDialog>

#include "core/settings/Settings.h"
#include "gui/common/Commands.h"
#include "gui/common/PaneHost.h"
#include "gui/lists/ColumnChooser.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/PlayListPane.h"
#include "gui/tree/FolderTreeModel.h"

namespace gui {

ColumnCommands::ColumnCommands(PaneHost& window) : QObject(&window), m_window(window)
{
    setObjectName(QStringLiteral("ColumnCommands"));
    chooseSchemeFile = [this](bool save, const QString& folder) {
        const QString filter = QStringLiteral("VMR Columns Scheme (*.vcs)");
        QFileDialog dialog(&m_window,
                           save ? QStringLiteral("Save Columns Scheme") : QStringLiteral("Load Columns Scheme"), folder,
                           filter);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(QStringLiteral("vcs"));
        if (save)
            dialog.selectFile(QStringLiteral("MyScheme.vcs"));
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().front()
                                                                                       : QString();
    };
    runChooser = [](ColumnChooser& dialog) { dialog.exec(); };

    for (ListPane* list : {static_cast<ListPane*>(&window.DemoList()), static_cast<ListPane*>(&window.PlayList())}) {
        connect(list->ChooseColumnsAction(), &QAction::triggered, this, [this, list] { Choose(*list); });
        connect(list->SaveSchemeAction(), &QAction::triggered, this, [this, list] { SaveScheme(*list); });
        connect(list->LoadSchemeAction(), &QAction::triggered, this, [this, list] { LoadScheme(*list); });
    }
    connect(window.Cmds().chooseDemoColumns, &QAction::triggered, this, [this] { Choose(m_window.DemoList()); });
    connect(window.Cmds().choosePlayColumns, &QAction::triggered, this, [this] { Choose(m_window.PlayList()); });
}

void ColumnCommands::Choose(ListPane& list)
{
    const bool demoList = &list == &m_window.DemoList();
    ColumnChooser dialog(
        list, demoList ? QStringLiteral("Choose Demolist Columns") : QStringLiteral("Choose Playlist Columns"),
        &m_window);
    runChooser(dialog);
}

void ColumnCommands::SaveScheme(const ListPane& list)
{
    const QString file = chooseSchemeFile(true, m_schemeFolder);
    m_schemeFolder = PathText(core::Settings.paths.dataDirectory);
    if (!file.isEmpty())
        SaveColumnScheme(list, file);
}

void ColumnCommands::LoadScheme(ListPane& list)
{
    const QString file = chooseSchemeFile(false, m_schemeFolder);
    m_schemeFolder = PathText(core::Settings.paths.dataDirectory);
    if (!file.isEmpty())
        LoadColumnScheme(list, file);
}

} // namespace gui
