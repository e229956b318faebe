// The export table of the built Unrar.dll: the interface's names, undecorated, as callers bind them.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "win32/UnrarDll.h"

namespace rarlib::test {
namespace {

std::set<std::string> exportedNames(HMODULE module) {
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    std::set<std::string> names;
    if (dir.VirtualAddress == 0) {
        return names;
    }
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    const auto* nameRvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
        names.insert(reinterpret_cast<const char*>(base + nameRvas[i]));
    }
    return names;
}

TEST(UnrarDllExports, ExportsEveryFunctionUnderItsPlainName) {
    const UnrarDll& dll = UnrarDll::get();
    ASSERT_NE(dll.module, nullptr) << "LoadLibrary failed: " << GetLastError();
    const std::set<std::string> names = exportedNames(dll.module);
    const char* required[] = {"RAROpenArchive",  "RAROpenArchiveEx", "RARCloseArchive", "RARReadHeader",
                              "RARReadHeaderEx", "RARProcessFile",   "RARProcessFileW", "RARSetCallback",
                              "RARSetPassword",  "RARGetDllVersion"};
    for (const char* name : required) {
        EXPECT_EQ(names.count(name), 1u) << name;
        EXPECT_NE(GetProcAddress(dll.module, name), nullptr) << name;
    }
    // The two older callback setters are there too; nothing else, and nothing decorated.
    EXPECT_EQ(names.count("RARSetChangeVolProc"), 1u);
    EXPECT_EQ(names.count("RARSetProcessDataProc"), 1u);
    EXPECT_EQ(names.size(), 12u);
    for (const auto& name : names) {
        EXPECT_EQ(name.find_first_of("@_"), std::string::npos) << name;
    }
}

TEST(UnrarDllExports, ReportsTheInterfaceVersion) {
    const UnrarDll& dll = UnrarDll::get();
    ASSERT_NE(dll.getDllVersion, nullptr);
    EXPECT_EQ(dll.getDllVersion(), RAR_DLL_VERSION);
}

} // namespace
} // namespace rarlib::test
