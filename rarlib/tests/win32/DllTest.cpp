// Unrar.dll under Wine, used the way the installer uses it: loaded by path, bound by name, names in
// the OEM code page, destinations given in full or relative to the current folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Sha256.h"
#include "support/ArchiveBuilder.h"
#include "support/Manifest.h"
#include "win32/UnrarDll.h"

namespace rarlib::test {
namespace {

void writeBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    ASSERT_TRUE(writeWholeFile(path, bytes));
}

std::string ansi(const std::wstring& path) {
    return toCodePage(CP_ACP, path);
}
std::string oem(const std::wstring& path) {
    return toCodePage(CP_OEMCP, path);
}

TEST(UnrarDll, RunsWithTheRussianCodePages) {
    // The runner starts Wine with LC_ALL=ru_RU.UTF-8; the OEM cases below depend on it.
    EXPECT_EQ(GetOEMCP(), 866u);
    EXPECT_EQ(GetACP(), 1251u);
}

// An archive as the payload builder makes it: CP866 names with backslashes, solid flag.
std::vector<uint8_t> cyrillicArchive() {
    BuildEntry lib = storedFile("RTW32.dll", "runtime");
    BuildEntry list = storedFile("Dist.lst", "\x91\xa2\xa5\xa4\xa5\xad\xa8\xef.txt\r\n");
    BuildEntry file = storedFile(
        toCodePage(866, L"Dist\\\u0421\u0432\u0435\u0434\u0435\u043d\u0438\u044f.txt"), "product notes");
    file.attr = 0x21; // read-only, archive
    file.dosTime =
        (30u << 25) | (6u << 21) | (15u << 16) | (13u << 11) | (45u << 5) | 10u; // 2010-06-15 13:45:20
    return ArchiveBuilder().mainFlags(0x0008).add(lib).add(list).add(file).build();
}

TEST(UnrarDll, ExtractsOemNamesToFullAndRelativeDestinationsWithTheirTime) {
    TempFolder dir(L"rarlib-dll");
    const std::wstring archivePath = dir.Path() + L"\\SetupZarvo.rar";
    writeBytes(archivePath, cyrillicArchive());
    const std::wstring target = dir.Path() + L"\\\u0426\u0435\u043b\u044c"; // "Цель"
    ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
    const std::wstring wideName = L"\u0421\u0432\u0435\u0434\u0435\u043d\u0438\u044f.txt";

    for (int round = 0; round < 2; ++round) {
        Archive a(ansi(archivePath), RAR_OM_EXTRACT);
        ASSERT_EQ(a.result(), 0u);
        RARHeaderData h{};
        for (int skip = 0; skip < 2; ++skip) {
            ASSERT_EQ(dll().readHeader(a.get(), &h), ERAR_SUCCESS);
            ASSERT_EQ(dll().processFile(a.get(), RAR_SKIP, nullptr, nullptr), ERAR_SUCCESS);
        }
        ASSERT_EQ(dll().readHeader(a.get(), &h), ERAR_SUCCESS);
        EXPECT_EQ(std::string(h.FileName), toCodePage(866, L"Dist\\" + wideName));
        if (round == 0) {
            // The whole destination, OEM, as ExtractArchiveFile builds it.
            std::string destName = oem(target) + "\\" + std::string(h.FileName);
            ASSERT_EQ(dll().processFile(a.get(), RAR_EXTRACT, nullptr, destName.data()), ERAR_SUCCESS);
        } else {
            // Relative to the current folder, as ExtractArchiveFolder does; the file from round 0 is
            // read-only and is replaced.
            ASSERT_TRUE(SetCurrentDirectoryW(target.c_str()));
            std::string destName = std::string(h.FileName);
            const int rc = dll().processFile(a.get(), RAR_EXTRACT, nullptr, destName.data());
            SetCurrentDirectoryW(dir.Path().c_str());
            ASSERT_EQ(rc, ERAR_SUCCESS);
        }
        const std::wstring written = target + L"\\Dist\\" + wideName;
        ASSERT_TRUE(pathExists(written, false));
        EXPECT_EQ(readWholeFile(written), "product notes");
        EXPECT_TRUE(GetFileAttributesW(written.c_str()) & FILE_ATTRIBUTE_READONLY);
        // The stored DOS time is local time.
        WIN32_FILE_ATTRIBUTE_DATA info{};
        SYSTEMTIME utc{}, local{};
        ASSERT_TRUE(GetFileAttributesExW(written.c_str(), GetFileExInfoStandard, &info));
        ASSERT_TRUE(FileTimeToSystemTime(&info.ftLastWriteTime, &utc));
        ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local));
        EXPECT_EQ(std::vector<WORD>(
                      {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond}),
                  std::vector<WORD>({2010, 6, 15, 13, 45, 20}));
    }
}

struct Collected {
    std::string data;
    int volumeNotices = 0;
};

int CALLBACK collect(UINT msg, LPARAM user, LPARAM p1, LPARAM p2) noexcept {
    auto* c = reinterpret_cast<Collected*>(user);
    if (msg == UCM_PROCESSDATA) {
        c->data.append(reinterpret_cast<const char*>(p1), static_cast<size_t>(p2));
    } else if (msg == UCM_CHANGEVOLUME && p2 == RAR_VOL_NOTIFY) {
        ++c->volumeNotices;
    }
    return 1;
}

TEST(UnrarDll, DeliversDataThroughTheStdcallCallbackAndFollowsVolumes) {
    const std::string first = fixturePath("rar3-vols.part1.rar");
    Archive a(std::wstring(first.begin(), first.end()), RAR_OM_EXTRACT);
    HANDLE h = a.get();
    ASSERT_NE(h, nullptr) << a.result();
    Collected collected;
    dll().setCallback(h, collect, reinterpret_cast<LPARAM>(&collected));
    RARHeaderDataEx header{};
    ASSERT_EQ(dll().readHeaderEx(h, &header), ERAR_SUCCESS);
    EXPECT_EQ(std::wstring(header.FileNameW), L"vols\\bigfile.txt");
    EXPECT_EQ(dll().processFileW(h, RAR_TEST, nullptr, nullptr), ERAR_SUCCESS);
    EXPECT_EQ(collected.data.size(), 205000u);
    EXPECT_EQ(sha256Hex({reinterpret_cast<const uint8_t*>(collected.data.data()), collected.data.size()}),
              "57613b4a0d18b31472c9abe90780dcaf834f4edf48e79008f027a99710cf3632");
    EXPECT_EQ(collected.volumeNotices, 2);
}

TEST(UnrarDll, ReportsUnicodeNamesInBothForms) {
    Archive a(fixturePath("rar3-subdirs.rar"), RAR_OM_LIST);
    ASSERT_EQ(a.result(), 0u);
    RARHeaderDataEx h{};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(dll().readHeaderEx(a.get(), &h), ERAR_SUCCESS);
        ASSERT_EQ(dll().processFile(a.get(), RAR_SKIP, nullptr, nullptr), ERAR_SUCCESS);
    }
    EXPECT_EQ(std::wstring(h.FileNameW), L"sub\\\u00FC\u0235\u0129\u00F6\u1E0B\u00E8\\file.txt");
    EXPECT_EQ(std::string(h.FileName), toCodePage(CP_OEMCP, h.FileNameW));
}

TEST(UnrarDll, RefusesStoredNamesLeavingTheDestination) {
    TempFolder dir(L"rarlib-dll");
    const std::wstring archivePath = dir.Path() + L"\\hostile.rar";
    const char* names[] = {"..\\up.txt", "C:\\drive.txt", "\\\\server\\share\\unc.txt", "ads.txt:hidden",
                           "CON"};
    ArchiveBuilder b;
    for (const char* name : names) {
        b.add(storedFile(name, "x"));
    }
    writeBytes(archivePath, b.build());
    const std::wstring inner = dir.Path() + L"\\inner";
    ASSERT_TRUE(CreateDirectoryW(inner.c_str(), nullptr));
    Archive a(ansi(archivePath), RAR_OM_EXTRACT);
    std::string dest = oem(inner);
    for (const char* name : names) {
        RARHeaderData h{};
        ASSERT_EQ(dll().readHeader(a.get(), &h), ERAR_SUCCESS);
        EXPECT_EQ(dll().processFile(a.get(), RAR_EXTRACT, dest.data(), nullptr), ERAR_ECREATE) << name;
    }
    EXPECT_FALSE(pathExists(dir.Path() + L"\\up.txt", false));
    EXPECT_FALSE(pathExists(inner + L"\\ads.txt", false));
}

} // namespace
} // namespace rarlib::test
