#pragma once

// Result codes of the library core. The values are those of the C interface's ERAR_* constants so that
// the interface layer passes them through unchanged.
namespace rarlib {

enum class Status : int {
    Ok = 0,
    EndArchive = 10,
    NoMemory = 11,
    BadData = 12,
    BadArchive = 13,
    UnknownFormat = 14,
    EOpen = 15,
    ECreate = 16,
    EClose = 17,
    ERead = 18,
    EWrite = 19,
    SmallBuf = 20,
    Unknown = 21,
    MissingPassword = 22,
    BadPassword = 24,
};

// "ERAR_BAD_DATA" etc.; "ERAR_SUCCESS" for Ok.
const char* statusName(Status status);
const char* statusName(int code);

} // namespace rarlib
