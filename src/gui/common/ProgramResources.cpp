#include "gui/common/ProgramResources.h"

#include <QtGlobal>

// The resources live in a static library: their registration must be pulled in by name.
static void InitVelmoraResources()
{
    Q_INIT_RESOURCE(velmora);
}

namespace gui {

void InitProgramResources()
{
    static const bool done = [] {
        InitVelmoraResources();
        return true;
    }();
    (void)done;
}

} // namespace gui
