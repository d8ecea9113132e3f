#include "core/common/DosDateTime.h"

#include <ctime>

namespace core {

uint32_t DosDateTimeFromUnix(int64_t unixSeconds)
{
    std::time_t t = static_cast<std::time_t>(unixSeconds);
    std::tm tm{};
    localtime_r(&t, &tm);
    int year = tm.tm_year + 1900;
    if (year < 1980)
        return (0u << 25) | (1u << 21) | (1u << 16); // 1980-01-01 00:00:00, the earliest DOS date
    if (year > 2107)
        year = 2107;
    const uint32_t date = (static_cast<uint32_t>(year - 1980) << 9) | (static_cast<uint32_t>(tm.tm_mon + 1) << 5) |
                          static_cast<uint32_t>(tm.tm_mday);
    const uint32_t time = (static_cast<uint32_t>(tm.tm_hour) << 11) | (static_cast<uint32_t>(tm.tm_min) << 5) |
                          static_cast<uint32_t>(tm.tm_sec / 2);
    return (date << 16) | time;
}

namespace {

std::tm TmFromDos(uint32_t dos)
{
    std::tm tm{};
    const uint32_t date = dos >> 16, time = dos & 0xFFFF;
    tm.tm_year = static_cast<int>((date >> 9) & 0x7F) + 80;
    tm.tm_mon = static_cast<int>((date >> 5) & 0x0F) - 1;
    tm.tm_mday = static_cast<int>(date & 0x1F);
    tm.tm_hour = static_cast<int>((time >> 11) & 0x1F);
    tm.tm_min = static_cast<int>((time >> 5) & 0x3F);
    tm.tm_sec = static_cast<int>(time & 0x1F) * 2;
    tm.tm_isdst = -1;
    return tm;
}

} // namespace

int64_t UnixFromDosDateTime(uint32_t dosDateTime)
{
    std::tm tm = TmFromDos(dosDateTime);
    return static_cast<int64_t>(std::mktime(&tm));
}

std::string DosDateTimeText(uint32_t dosDateTime)
{
    std::tm tm = TmFromDos(dosDateTime);
    // Out-of-range fields (a zero month or day from a damaged archive) are shown as stored;
    // strftime needs sane values, so clamp only what it would misprint.
    if (tm.tm_mon < 0 || tm.tm_mon > 11)
        tm.tm_mon = 0;
    if (tm.tm_mday < 1)
        tm.tm_mday = 1;
    char buf[96];
    size_t n = std::strftime(buf, sizeof buf, "%x", &tm);
    std::string text(buf, n);
    if (tm.tm_hour != 0 || tm.tm_min != 0 || tm.tm_sec != 0) {
        n = std::strftime(buf, sizeof buf, "%X", &tm);
        text += ' ';
        text.append(buf, n);
    }
    return text;
}

} // namespace core
