#include "DosTime.h"

namespace mkpayload {

uint32_t ToDosTime(std::time_t time) {
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr || local.tm_year < 80) {
        return (1u << 21) | (1u << 16); // 1980-01-01 00:00:00
    }
    if (local.tm_year > 80 + 127) {
        return (127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;
    }
    // A leap second (tm_sec 60) still has to fit the 5-bit field.
    const unsigned seconds = local.tm_sec > 59 ? 59 : static_cast<unsigned>(local.tm_sec);
    return (static_cast<uint32_t>(local.tm_year - 80) << 25) |
           (static_cast<uint32_t>(local.tm_mon + 1) << 21) | (static_cast<uint32_t>(local.tm_mday) << 16) |
           (static_cast<uint32_t>(local.tm_hour) << 11) | (static_cast<uint32_t>(local.tm_min) << 5) |
           (seconds / 2);
}

} // namespace mkpayload
