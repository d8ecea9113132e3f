#pragma once
// The sound system reports what went wrong; the window shows it, one box a failure.
#include "core/sound/SoundSystem.h"
#include "gui/common/MessageSink.h"

namespace gui {

// Shows a failure the user is told about; a sound that was only refused shows nothing. Returns
// whether the sound plays.
inline bool ShowSoundOutcome(const core::SoundPlay& played)
{
    if (core::Reported(played))
        gui::Messages().Error(played.text(), core::kSoundDebugTitle);
    return played.ok();
}

} // namespace gui
