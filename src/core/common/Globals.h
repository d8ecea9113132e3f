#pragma once
// The program-wide guard shared by the long operations and the main window. A stop request is no
// such guard: each piece of work gets its own token (see ScanSettings::stop, IndexUpdateOptions::stop).
#include <atomic>

namespace core {

// Raised around every long operation; while above 0 the main window refuses to close, to change
// the tree selection and to start another listing.
extern std::atomic<int> BusyCount;

} // namespace core
