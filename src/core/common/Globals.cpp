#include "core/common/Globals.h"

namespace core {

std::atomic<int> BusyCount{0};

} // namespace core
