// A file's time as the file systems take it: the 16-byte Windows SYSTEMTIME
// layout, in UTC.
#pragma once

#include <cstdint>

namespace voz::os {

struct FileTime {
    uint16_t wYear;
    uint16_t wMonth;
    uint16_t wDayOfWeek;
    uint16_t wDay;
    uint16_t wHour;
    uint16_t wMinute;
    uint16_t wSecond;
    uint16_t wMilliseconds;
};
static_assert(sizeof(FileTime) == 16);

}  // namespace voz::os
