#include "core/Status.h"

namespace rarlib {

const char* statusName(int code) {
    switch (code) {
    case 0:
        return "ERAR_SUCCESS";
    case 10:
        return "ERAR_END_ARCHIVE";
    case 11:
        return "ERAR_NO_MEMORY";
    case 12:
        return "ERAR_BAD_DATA";
    case 13:
        return "ERAR_BAD_ARCHIVE";
    case 14:
        return "ERAR_UNKNOWN_FORMAT";
    case 15:
        return "ERAR_EOPEN";
    case 16:
        return "ERAR_ECREATE";
    case 17:
        return "ERAR_ECLOSE";
    case 18:
        return "ERAR_EREAD";
    case 19:
        return "ERAR_EWRITE";
    case 20:
        return "ERAR_SMALL_BUF";
    case 21:
        return "ERAR_UNKNOWN";
    case 22:
        return "ERAR_MISSING_PASSWORD";
    case 23:
        return "ERAR_EREFERENCE";
    case 24:
        return "ERAR_BAD_PASSWORD";
    case 25:
        return "ERAR_LARGE_DICT";
    default:
        return "ERAR_UNKNOWN";
    }
}

const char* statusName(Status status) {
    return statusName(static_cast<int>(status));
}

} // namespace rarlib
