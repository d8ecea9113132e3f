#include "gui/video/VideoCommands.h"

#include <QAction>

#include "core/playback/PlayList.h"
#include "gui/common/PaneHost.h"
#include "gui/lists/DemoListPane.h"
#include "gui/video/VideoExportWindow.h"

namespace gui {

void ConnectVideoCommands(PaneHost& window)
{
    DemoListPane& list = window.DemoList();
    QObject::connect(list.ExportVideoAction(), &QAction::triggered, &window, [&window, &list] {
        const std::vector<int> rows = list.SelectedRows();
        if (rows.size() != 1 || !list.CanPlay())
            return;
        const ListRow row = list.Model().Row(rows.front());
        const core::DemoInfo& info = row.info;
        if (core::IsArchiveMember(row.sourceKind)) {
            const std::string& folder = info[core::FieldArchiveLocation];
            ExportVideo(&window, info,
                        folder.empty() ? info[core::FieldDemoname] : folder + "\\" + info[core::FieldDemoname],
                        info[core::FieldLocation]);
        } else {
            ExportVideo(&window, info, info[core::FieldLocation] + "/" + info[core::FieldDemoname], "");
        }
    });
}

} // namespace gui
