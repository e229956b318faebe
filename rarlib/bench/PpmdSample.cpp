#include "PpmdSample.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "PpmdTestEncoder.h"
#include "RarFixture.h"
#include "rardll.h"

namespace rarbench {
namespace {

struct Collect {
    std::vector<uint8_t> data;
    size_t limit = 0;
};

int CALLBACK collect(UINT msg, LPARAM user, LPARAM p1, LPARAM p2) {
    auto* c = reinterpret_cast<Collect*>(user);
    if (msg == UCM_PROCESSDATA && c->data.size() < c->limit) {
        const auto* p = reinterpret_cast<const uint8_t*>(p1);
        const size_t n = std::min(static_cast<size_t>(p2), c->limit - c->data.size());
        c->data.insert(c->data.end(), p, p + n);
    }
    return 1;
}

// The first `limit` bytes of the archive's first entry, read with this library.
std::vector<uint8_t> firstEntry(const std::string& path, size_t limit) {
    Collect c;
    c.limit = limit;
    RAROpenArchiveDataEx open{};
    open.ArcName = const_cast<char*>(path.c_str());
    open.OpenMode = RAR_OM_EXTRACT;
    open.Callback = collect;
    open.UserData = reinterpret_cast<LPARAM>(&c);
    HANDLE h = RAROpenArchiveEx(&open);
    if (!h) {
        return {};
    }
    RARHeaderDataEx header{};
    if (RARReadHeaderEx(h, &header) != ERAR_SUCCESS || RARProcessFile(h, RAR_TEST, nullptr, nullptr) != 0) {
        c.data.clear();
    }
    RARCloseArchive(h);
    return c.data;
}

} // namespace

std::string writePpmdSample(const std::string& sourceArchive, size_t bytes) {
    const std::vector<uint8_t> content = firstEntry(sourceArchive, bytes);
    if (content.empty()) {
        return {};
    }
    rarlib::testing::PpmdTestEncoder enc;
    enc.startBlock(true, 8, 25);
    for (uint8_t b : content) {
        enc.literal(b);
    }
    enc.endFile();
    const std::vector<uint8_t> archive =
        rarlib::testing::makeRarArchive("payload.tar", enc.output(), content);

    char path[] = "/tmp/rarbench-ppmd-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) {
        return {};
    }
    const bool written = write(fd, archive.data(), archive.size()) == static_cast<ssize_t>(archive.size());
    close(fd);
    if (!written) {
        unlink(path);
        return {};
    }
    return path;
}

} // namespace rarbench
