// The C interface over ArchiveSession. The DLL is built without exceptions: nothing in it throws, and
// the decoders report memory they cannot have as ERAR_NO_MEMORY.
#include "rardll.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "extract/ArchiveSession.h"
#include "platform/TextCodec.h"

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(RARHeaderData) == 572);
static_assert(offsetof(RARHeaderData, FileName) == 260);
static_assert(offsetof(RARHeaderData, Flags) == 520);
static_assert(offsetof(RARHeaderData, CmtBuf) == 556);
static_assert(offsetof(RARHeaderData, CmtState) == 568);
static_assert(sizeof(RARHeaderDataEx) == 10300);
static_assert(offsetof(RARHeaderDataEx, ArcNameW) == 1024);
static_assert(offsetof(RARHeaderDataEx, FileName) == 3072);
static_assert(offsetof(RARHeaderDataEx, FileNameW) == 4096);
static_assert(offsetof(RARHeaderDataEx, Flags) == 6144);
static_assert(offsetof(RARHeaderDataEx, CmtState) == 6200);
static_assert(sizeof(RAROpenArchiveData) == 28);
static_assert(offsetof(RAROpenArchiveData, CmtState) == 24);
static_assert(sizeof(RAROpenArchiveDataEx) == 156);
static_assert(offsetof(RAROpenArchiveDataEx, Flags) == 32);
static_assert(offsetof(RAROpenArchiveDataEx, Callback) == 36);
static_assert(offsetof(RAROpenArchiveDataEx, UserData) == 40);
#endif

namespace {

using namespace rarlib;

// The volume-name buffer handed to UCM_CHANGEVOLUME may be rewritten by the callback.
constexpr size_t kVolumeNameBuffer = 2048;
constexpr size_t kPasswordBuffer = 128;

class CallbackEvents final : public SessionEvents {
public:
    UNRARCALLBACK callback = nullptr;
    LPARAM userData = 0;
    CHANGEVOLPROC changeVolProc = nullptr;
    PROCESSDATAPROC processDataProc = nullptr;

    bool onData(const uint8_t* data, size_t size) override {
        // Chunks are at most a few MiB, so the int-sized arguments hold them.
        auto* bytes = const_cast<uint8_t*>(data);
        if (callback && callback(UCM_PROCESSDATA, userData, reinterpret_cast<LPARAM>(bytes),
                                 static_cast<LPARAM>(size)) == -1) {
            return false;
        }
        if (processDataProc && processDataProc(bytes, static_cast<int>(size)) == 0) {
            return false;
        }
        return true;
    }

    bool changeVolume(Path& name, bool ask) override {
        if (!callback && !changeVolProc) {
            return !ask;
        }
        const std::string narrow = narrowArchiveName(name);
        std::vector<char> buffer(kVolumeNameBuffer, '\0');
        std::memcpy(buffer.data(), narrow.data(), fittingPrefix(narrow, buffer.size()));
        const int mode = ask ? RAR_VOL_ASK : RAR_VOL_NOTIFY;
        if (callback &&
            callback(UCM_CHANGEVOLUME, userData, reinterpret_cast<LPARAM>(buffer.data()), mode) == -1) {
            return false;
        }
        if (changeVolProc && changeVolProc(buffer.data(), mode) == 0) {
            return false;
        }
        buffer.back() = '\0';
        if (ask) {
            name = pathFromArchiveName(buffer.data());
        }
        return true;
    }

    std::optional<std::string> needPassword() override {
        if (!callback) {
            return std::nullopt;
        }
        std::vector<char> buffer(kPasswordBuffer, '\0');
        if (callback(UCM_NEEDPASSWORD, userData, reinterpret_cast<LPARAM>(buffer.data()),
                     static_cast<LPARAM>(buffer.size())) == -1) {
            return std::nullopt;
        }
        buffer.back() = '\0';
        return std::string(buffer.data());
    }
};

struct ArchiveHandle {
    ArchiveHandle(Path path, OpenMode mode) : session(std::move(path), mode, nativeFileSystem()) {
        session.setEvents(&events);
    }
    CallbackEvents events;
    ArchiveSession session;
};

ArchiveHandle* fromHandle(HANDLE h) {
    return static_cast<ArchiveHandle*>(h);
}

void copyNarrow(char* dst, size_t capacity, const std::string& text) {
    const size_t n = fittingPrefix(text, capacity);
    std::memcpy(dst, text.data(), n);
    dst[n] = '\0';
}

void copyWide(wchar_t* dst, size_t capacity, const std::wstring& text) {
    const size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(dst, text.data(), n * sizeof(wchar_t));
    dst[n] = L'\0';
}

struct OpenRequest {
    const Path* path;
    UINT mode;
    char* cmtBuf;
    UINT cmtBufSize;
    UNRARCALLBACK callback;
    LPARAM userData;
};

struct OpenResult {
    UINT result = ERAR_UNKNOWN;
    UINT cmtSize = 0;
    UINT cmtState = 0;
    UINT flags = 0;
};

void readComment(ArchiveSession& session, const OpenRequest& req, OpenResult& out) {
    if (!req.cmtBuf || req.cmtBufSize == 0) {
        return;
    }
    std::vector<uint8_t> text;
    const Status st = session.readComment(text);
    if (st != Status::Ok) {
        out.cmtState = static_cast<UINT>(st);
        return;
    }
    if (text.empty()) {
        return;
    }
    const size_t n = std::min<size_t>(text.size(), req.cmtBufSize - 1);
    std::memcpy(req.cmtBuf, text.data(), n);
    req.cmtBuf[n] = '\0';
    out.cmtSize = static_cast<UINT>(n + 1);
    out.cmtState = n < text.size() ? ERAR_SMALL_BUF : 1;
}

HANDLE openArchive(const OpenRequest& req, OpenResult& out) noexcept {
    if (req.mode > RAR_OM_LIST_INCSPLIT) {
        out.result = ERAR_UNKNOWN;
        return nullptr;
    }
    auto handle = std::make_unique<ArchiveHandle>(*req.path, static_cast<OpenMode>(req.mode));
    handle->events.callback = req.callback;
    handle->events.userData = req.userData;
    const Status st = handle->session.open();
    if (st != Status::Ok) {
        out.result = static_cast<UINT>(st);
        return nullptr;
    }
    readComment(handle->session, req, out);
    out.flags = handle->session.archiveFlags();
    out.result = ERAR_SUCCESS;
    return handle.release();
}

template <typename Fill> int readHeader(HANDLE h, Fill fill) noexcept {
    if (!h) {
        return ERAR_UNKNOWN;
    }
    ArchiveSession& session = fromHandle(h)->session;
    const Status st = session.readHeader();
    if (st == Status::Ok) {
        fill(session);
    }
    return static_cast<int>(st);
}

template <typename MakePath> int processFile(HANDLE h, int operation, MakePath makePath) noexcept {
    if (!h) {
        return ERAR_UNKNOWN;
    }
    const std::optional<Path> destPath = makePath(true);
    const std::optional<Path> destName = makePath(false);
    const Status st = fromHandle(h)->session.processFile(
        static_cast<Operation>(operation), destPath ? &*destPath : nullptr, destName ? &*destName : nullptr);
    return static_cast<int>(st);
}

// The fields both header structures have, with the same names and meaning.
template <class HeaderData> void fillHeaderFields(HeaderData* d, ArchiveSession& s) {
    const FileHeader& e = s.header();
    copyNarrow(d->ArcName, sizeof(d->ArcName), narrowArchiveName(s.volumePath()));
    copyNarrow(d->FileName, sizeof(d->FileName), entryNarrowName(e));
    d->Flags = e.flags;
    d->PackSize = static_cast<UINT>(e.packSize);
    d->UnpSize = static_cast<UINT>(e.unpSize);
    d->HostOS = e.hostOs;
    d->FileCRC = e.fileCrc;
    d->FileTime = e.mtime.dosTime;
    d->UnpVer = e.unpVer;
    d->Method = e.method;
    d->FileAttr = e.attr;
    d->CmtSize = 0;
    d->CmtState = 0;
}

} // namespace

extern "C" {

HANDLE PASCAL RAROpenArchive(struct RAROpenArchiveData* data) {
    if (!data) {
        return nullptr;
    }
    data->CmtSize = 0;
    data->CmtState = 0;
    const Path path = pathFromArchiveName(data->ArcName ? data->ArcName : "");
    const OpenRequest req{&path, data->OpenMode, data->CmtBuf, data->CmtBufSize, nullptr, 0};
    OpenResult out;
    HANDLE h = openArchive(req, out);
    data->OpenResult = out.result;
    data->CmtSize = out.cmtSize;
    data->CmtState = out.cmtState;
    return h;
}

HANDLE PASCAL RAROpenArchiveEx(struct RAROpenArchiveDataEx* data) {
    if (!data) {
        return nullptr;
    }
    data->CmtSize = 0;
    data->CmtState = 0;
    data->Flags = 0;
    const Path path = data->ArcNameW && data->ArcNameW[0]
                          ? pathFromWide(data->ArcNameW)
                          : pathFromArchiveName(data->ArcName ? data->ArcName : "");
    const OpenRequest req{&path,          data->OpenMode, data->CmtBuf, data->CmtBufSize,
                          data->Callback, data->UserData};
    OpenResult out;
    HANDLE h = openArchive(req, out);
    data->OpenResult = out.result;
    data->CmtSize = out.cmtSize;
    data->CmtState = out.cmtState;
    data->Flags = out.flags;
    return h;
}

int PASCAL RARCloseArchive(HANDLE h) {
    if (!h) {
        return ERAR_ECLOSE;
    }
    delete fromHandle(h);
    return ERAR_SUCCESS;
}

int PASCAL RARReadHeader(HANDLE h, struct RARHeaderData* d) {
    if (!d) {
        return ERAR_UNKNOWN;
    }
    return readHeader(h, [d](ArchiveSession& s) { fillHeaderFields(d, s); });
}

int PASCAL RARReadHeaderEx(HANDLE h, struct RARHeaderDataEx* d) {
    if (!d) {
        return ERAR_UNKNOWN;
    }
    return readHeader(h, [d](ArchiveSession& s) {
        fillHeaderFields(d, s);
        const FileHeader& e = s.header();
        copyWide(d->ArcNameW, std::size(d->ArcNameW), wideArchiveName(s.volumePath()));
        copyWide(d->FileNameW, std::size(d->FileNameW), entryWideNameForInterface(e));
        d->PackSizeHigh = static_cast<UINT>(e.packSize >> 32);
        d->UnpSizeHigh = static_cast<UINT>(e.unpSize >> 32);
    });
}

int PASCAL RARProcessFile(HANDLE h, int operation, char* destPath, char* destName) {
    return processFile(h, operation, [&](bool folder) -> std::optional<Path> {
        const char* s = folder ? destPath : destName;
        return s && *s ? std::optional<Path>(pathFromDestination(s)) : std::nullopt;
    });
}

int PASCAL RARProcessFileW(HANDLE h, int operation, wchar_t* destPath, wchar_t* destName) {
    return processFile(h, operation, [&](bool folder) -> std::optional<Path> {
        const wchar_t* s = folder ? destPath : destName;
        return s && *s ? std::optional<Path>(pathFromWide(s)) : std::nullopt;
    });
}

void PASCAL RARSetCallback(HANDLE h, UNRARCALLBACK callback, LPARAM userData) {
    if (h) {
        fromHandle(h)->events.callback = callback;
        fromHandle(h)->events.userData = userData;
    }
}

void PASCAL RARSetChangeVolProc(HANDLE h, CHANGEVOLPROC proc) {
    if (h) {
        fromHandle(h)->events.changeVolProc = proc;
    }
}

void PASCAL RARSetProcessDataProc(HANDLE h, PROCESSDATAPROC proc) {
    if (h) {
        fromHandle(h)->events.processDataProc = proc;
    }
}

void PASCAL RARSetPassword(HANDLE h, char* password) {
    if (!h) {
        return;
    }
    fromHandle(h)->session.setPassword(password && *password ? std::optional<std::string>(password)
                                                             : std::nullopt);
}

int PASCAL RARGetDllVersion(void) {
    return RAR_DLL_VERSION;
}

} // extern "C"
