#pragma once
// Program-wide guards shared by the long operations and the main window.
#include <atomic>

namespace core {

// Raised around every long operation; while above 0 the main window refuses to close, to change
// the tree selection and to start another listing.
extern std::atomic<int> BusyCount;
// Set by Escape in the main window, read by the folder listing.
extern std::atomic<bool> AbortFlag;

} // namespace core
