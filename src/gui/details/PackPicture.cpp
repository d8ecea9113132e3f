#include "gui/details/PackPicture.h"

#include "gui/common/MessageSink.h"

namespace gui {

bool LoadPackPicture(const std::string& packPath, const std::string& memberName, core::Picture& picture)
{
    const auto loaded = core::GetPictureFromPak(packPath, memberName, picture);
    if (!loaded && !loaded.text().empty())
        gui::Messages().Error(loaded.text(), core::kPictureErrorTitle);
    return loaded.ok();
}

} // namespace gui
