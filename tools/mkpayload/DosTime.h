#pragma once

#include <cstdint>
#include <ctime>

namespace mkpayload {

// MS-DOS date and time in the local time zone, as archive headers store modification times.
// Seconds are rounded down to even; times outside 1980..2107 are clamped to the nearest end.
uint32_t ToDosTime(std::time_t time);

} // namespace mkpayload
