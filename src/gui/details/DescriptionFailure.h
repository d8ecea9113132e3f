#pragma once
// The description files' failures as the details windows show them.
#include "core/details/DemoDescription.h"
#include "gui/common/MessageSink.h"

namespace gui {

// Shows a failure of a description file under its title; true when there was none.
template <class T> bool ShowDescriptionFailure(const core::Result<T, core::DescriptionError>& result)
{
    if (!result)
        gui::Messages().Error(result.text(), core::DescriptionErrorTitle(result.code()));
    return result.ok();
}

} // namespace gui
