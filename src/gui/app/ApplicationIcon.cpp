#include "gui/app/ApplicationIcon.h"

#include "gui/common/ProgramResources.h"

namespace gui {

QIcon ApplicationIcon()
{
    InitProgramResources();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/velmora/icons/velmora-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace gui
