#pragma once
// The game's window on the X display ($DISPLAY): the game draws into a window of its own, which a
// new demo handed to the running game should bring to the front. Nothing here waits for the
// game; without a display, or on one the program cannot reach, nothing happens.
#include <cstdint>
#include <vector>

#include "platform/GameProcess.h"

namespace platform {

struct DisplayWindow {
    uint32_t id = 0;
    ProcessId process = -1; // the process the window names as its own (_NET_WM_PID); -1 when none
};

// The display's top-level windows, bottom to top: the window manager's stacking list when one
// runs, the root window's children otherwise.
std::vector<DisplayWindow> TopLevelWindows();

// Asks for the top-level windows of these processes to be raised and activated: through the
// window manager's "active window" request (as a task bar asks), and by restacking them where no
// window manager runs. False when no window of theirs was found.
bool RaiseWindowsOf(const std::vector<ProcessId>& processes);

} // namespace platform
