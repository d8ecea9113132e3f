#pragma once
// The packed DOS date-time of ZIP archives and the lists: time in the low 16 bits, date in the high
// 16 bits, local time, two-second steps, 1980 to 2107.
#include <cstdint>
#include <string>

namespace core {

uint32_t DosDateTimeFromUnix(int64_t unixSeconds);
int64_t UnixFromDosDateTime(uint32_t dosDateTime);
// The date in the locale's short date form, a blank and the time in its long form; the time is
// left out when it is exactly midnight.
std::string DosDateTimeText(uint32_t dosDateTime);

} // namespace core
