#include "BenchReaders.h"

#include <archive.h>
#include <archive_entry.h>

#include "core/Status.h"
#include "rardll.h"

namespace rarbench {
namespace {

int CALLBACK countBytes(UINT msg, LPARAM user, LPARAM, LPARAM p2) {
    if (msg == UCM_PROCESSDATA) {
        *reinterpret_cast<uint64_t*>(user) += static_cast<uint64_t>(p2);
    }
    return msg == UCM_CHANGEVOLUME && p2 == RAR_VOL_ASK ? -1 : 1;
}

std::string libarchiveError(archive* a, const char* fallback) {
    const char* text = archive_error_string(a);
    return text ? text : fallback;
}

} // namespace

Measure readWithRarlib(const std::string& path) {
    Measure m;
    RAROpenArchiveDataEx open{};
    open.ArcName = const_cast<char*>(path.c_str());
    open.OpenMode = RAR_OM_EXTRACT;
    open.Callback = countBytes;
    open.UserData = reinterpret_cast<LPARAM>(&m.bytes);
    HANDLE h = RAROpenArchiveEx(&open);
    if (!h) {
        m.complete = false;
        m.note = "open failed";
        return m;
    }
    RARHeaderDataEx header{};
    while (RARReadHeaderEx(h, &header) == ERAR_SUCCESS) {
        const int rc = RARProcessFile(h, RAR_TEST, nullptr, nullptr);
        if (rc != ERAR_SUCCESS && m.complete) {
            m.complete = false;
            m.note = std::string(header.FileName) + ": " + rarlib::statusName(rc);
        }
    }
    RARCloseArchive(h);
    return m;
}

Measure readWithLibarchive(const std::string& path) {
    Measure m;
    archive* a = archive_read_new();
    archive_read_support_format_rar(a);
    if (archive_read_open_filename(a, path.c_str(), 1 << 20) != ARCHIVE_OK) {
        m.complete = false;
        m.note = libarchiveError(a, "open failed");
        archive_read_free(a);
        return m;
    }
    archive_entry* entry;
    int rc;
    while ((rc = archive_read_next_header(a, &entry)) == ARCHIVE_OK) {
        const void* buf;
        size_t size;
        la_int64_t offset;
        int r;
        while ((r = archive_read_data_block(a, &buf, &size, &offset)) == ARCHIVE_OK) {
            m.bytes += size;
        }
        if (r != ARCHIVE_EOF) {
            m.complete = false;
            m.note = libarchiveError(a, "data error");
            break;
        }
    }
    if (rc != ARCHIVE_EOF && rc != ARCHIVE_OK && m.complete) {
        m.complete = false;
        m.note = libarchiveError(a, "header error");
    }
    archive_read_free(a);
    return m;
}

} // namespace rarbench
