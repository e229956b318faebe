// rartool: lists, tests and extracts RAR archives through the library's C interface.
//   rartool l ARCHIVE        one line per entry: name, size, packed size, CRC32, method, flags
//   rartool t ARCHIVE        one line per entry: name, size, CRC32, SHA-256, status
//   rartool x ARCHIVE DIR    extracts into DIR; prints the entries that failed (CRC32 checked by the
//                            library; no SHA-256, which would cost almost as much as the extraction)
// Fields are tab-separated, names UTF-8. Exit status 1 when any entry (or the archive) failed, 2 on
// wrong usage.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "Sha256.h"
#include "core/Crc32.h"
#include "rardll.h"

namespace {

const char* codeName(int code) {
    switch (code) {
    case ERAR_END_ARCHIVE:
        return "ERAR_END_ARCHIVE";
    case ERAR_NO_MEMORY:
        return "ERAR_NO_MEMORY";
    case ERAR_BAD_DATA:
        return "ERAR_BAD_DATA";
    case ERAR_BAD_ARCHIVE:
        return "ERAR_BAD_ARCHIVE";
    case ERAR_UNKNOWN_FORMAT:
        return "ERAR_UNKNOWN_FORMAT";
    case ERAR_EOPEN:
        return "ERAR_EOPEN";
    case ERAR_ECREATE:
        return "ERAR_ECREATE";
    case ERAR_ECLOSE:
        return "ERAR_ECLOSE";
    case ERAR_EREAD:
        return "ERAR_EREAD";
    case ERAR_EWRITE:
        return "ERAR_EWRITE";
    case ERAR_SMALL_BUF:
        return "ERAR_SMALL_BUF";
    case ERAR_MISSING_PASSWORD:
        return "ERAR_MISSING_PASSWORD";
    case ERAR_BAD_PASSWORD:
        return "ERAR_BAD_PASSWORD";
    default:
        return "ERAR_UNKNOWN";
    }
}

struct EntryDigest {
    rarlib::Sha256 sha;
    rarlib::Crc32 crc;
    uint64_t size = 0;
};

int CALLBACK onEvent(UINT msg, LPARAM user, LPARAM p1, LPARAM p2) {
    // Only "t" asks for the data (UserData set); extraction leaves it to the library's own CRC check.
    if (msg == UCM_PROCESSDATA && user != 0) {
        auto* digest = reinterpret_cast<EntryDigest*>(user);
        const auto* data = reinterpret_cast<const uint8_t*>(p1);
        const auto size = static_cast<size_t>(p2);
        digest->sha.update(data, size);
        digest->crc.update(data, size);
        digest->size += size;
    }
    // Volumes are found by name; a missing one is not asked for.
    return msg == UCM_CHANGEVOLUME && p2 == RAR_VOL_ASK ? -1 : 1;
}

uint64_t fullSize(UINT low, UINT high) {
    return (static_cast<uint64_t>(high) << 32) | low;
}

bool isDirectory(const RARHeaderDataEx& h) {
    return (h.Flags & 0xE0) == 0xE0;
}

int run(char mode, const char* archive, const char* dest) {
    EntryDigest digest;
    RAROpenArchiveDataEx open{};
    open.ArcName = const_cast<char*>(archive);
    open.OpenMode = mode == 'l' ? RAR_OM_LIST : RAR_OM_EXTRACT;
    open.Callback = onEvent;
    open.UserData = mode == 't' ? reinterpret_cast<LPARAM>(&digest) : 0;
    HANDLE h = RAROpenArchiveEx(&open);
    if (!h) {
        std::fprintf(stderr, "rartool: %s: %s\n", archive, codeName(static_cast<int>(open.OpenResult)));
        return 1;
    }
    int status = 0;
    RARHeaderDataEx header{};
    int rc;
    while ((rc = RARReadHeaderEx(h, &header)) == ERAR_SUCCESS) {
        const uint64_t size = fullSize(header.UnpSize, header.UnpSizeHigh);
        if (mode == 'l') {
            std::printf("%s\t%llu\t%llu\t%08x\t0x%02x\t0x%04x\n", header.FileName,
                        static_cast<unsigned long long>(size),
                        static_cast<unsigned long long>(fullSize(header.PackSize, header.PackSizeHigh)),
                        header.FileCRC, header.Method, header.Flags);
            rc = RARProcessFile(h, RAR_SKIP, nullptr, nullptr);
        } else {
            digest = EntryDigest{};
            rc = RARProcessFile(h, mode == 't' ? RAR_TEST : RAR_EXTRACT, const_cast<char*>(dest), nullptr);
            if (mode == 't') {
                if (rc != ERAR_SUCCESS) {
                    std::printf("%s\t%llu\t-\t-\t%s\n", header.FileName,
                                static_cast<unsigned long long>(size), codeName(rc));
                } else if (isDirectory(header)) {
                    std::printf("%s\t0\t-\t-\tdir\n", header.FileName);
                } else {
                    std::printf("%s\t%llu\t%08x\t%s\tok\n", header.FileName,
                                static_cast<unsigned long long>(digest.size), digest.crc.value(),
                                digest.sha.hex().c_str());
                }
            } else if (rc != ERAR_SUCCESS) {
                std::printf("%s\t%s\n", header.FileName, codeName(rc));
            }
        }
        if (rc != ERAR_SUCCESS) {
            status = 1;
        }
    }
    if (rc != ERAR_END_ARCHIVE) {
        std::fprintf(stderr, "rartool: %s: %s\n", archive, codeName(rc));
        status = 1;
    }
    RARCloseArchive(h);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    const bool ok = (argc == 3 && (std::strcmp(argv[1], "l") == 0 || std::strcmp(argv[1], "t") == 0)) ||
                    (argc == 4 && std::strcmp(argv[1], "x") == 0);
    if (!ok) {
        std::fprintf(stderr, "usage: rartool l ARCHIVE | rartool t ARCHIVE | rartool x ARCHIVE DIR\n");
        return 2;
    }
    return run(argv[1][0], argv[2], argc == 4 ? argv[3] : nullptr);
}
