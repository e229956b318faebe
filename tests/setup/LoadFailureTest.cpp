// Why a library could not be loaded: its import table read from the file, the imports found neither beside
// it nor in the system folder, and the line that follows the library's failure report.

#include "RegistrationTestSupport.h"
#include "common/CommonUtils.h"
#include "common/SetupError.h"
#include "common/Text.h"
#include "setup/ImportTable.h"
#include "setup/LoadFailure.h"
#include "setup/SetupUtils.h"

#include <algorithm>
#include <cstring>

using namespace zarvo;
using namespace setuptest;
using zarvo::testing::ReadBinaryFile;
using zarvo::testing::WriteTextFile;

namespace {

// Without the runtime library in the system folder, as on a machine the installation has not prepared.
class LoadFailureTest : public RegistrationTest {
protected:
    LoadFailureTest() : RegistrationTest(false) {}
    void SetUp() override {
        RegistrationTest::SetUp();
        ASSERT_FALSE(PathExists(GetSystemFolder() + L"RTW32.dll"));
    }
};

using TFile = std::pair<std::wstring, std::string>; // name in the folder, bytes

std::string Bytes(const std::wstring& path) {
    std::string bytes = ReadBinaryFile(path);
    EXPECT_FALSE(bytes.empty()) << Narrow(path);
    return bytes;
}
uint32_t DwordAt(const std::string& bytes, size_t offset) {
    uint32_t value = 0;
    if (offset + 4 <= bytes.size())
        std::memcpy(&value, bytes.data() + offset, 4);
    return value;
}
std::string WithDword(std::string bytes, size_t offset, uint32_t value) {
    std::memcpy(bytes.data() + offset, &value, 4);
    return bytes;
}
std::string Renamed(std::string bytes, const std::string& from, const std::string& to) {
    for (size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + to.size()))
        bytes.replace(at, from.size(), to);
    return bytes;
}
// The system's text of a load error as one clause: its module insert filled in, no closing full stop.
std::wstring Reason(DWORD error, const std::wstring& library) {
    std::wstring text = SystemErrorText(error);
    if (size_t insert = text.find(L"%1"); insert != std::wstring::npos)
        text.replace(insert, 2, library);
    if (text.ends_with(L"."))
        text.pop_back();
    return text;
}
bool Contains(const std::vector<std::wstring>& names, const std::wstring& name) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::wstring& item) { return SameText(item, name); });
}

TEST_F(LoadFailureTest, ImportTablesAreReadFromTheFileAndDamagedOnesRefused) {
    TScratchFolder folder(GetTempFolder() + L"Zarvo Imports");
    const std::string selvar = Bytes(ProductFile(L"Selvar.dll"));
    const uint32_t pe = DwordAt(selvar, 0x3C);
    const size_t importEntry = pe + 4 + 20 + 96 + 8; // the import directory of a 32-bit optional header
    ASSERT_EQ(DwordAt(selvar, pe + 24) & 0xFFFF, 0x10Bu);
    ASSERT_NE(DwordAt(selvar, importEntry), 0u);
    const size_t runtimeName = selvar.find(std::string("RTW32.dll", 10));
    ASSERT_NE(runtimeName, std::string::npos);

    struct Case {
        const char* what;
        std::string bytes;
        bool readable;
    } cases[] = {
        {"the library", selvar, true},
        {"a text file", "[Zarvo]\r\nPath=C:\\\r\n", false},
        {"an empty file", "", false},
        {"cut in the DOS header", selvar.substr(0, 40), false},
        {"cut in the PE headers", selvar.substr(0, pe + 60), false},
        {"cut in an import name", selvar.substr(0, runtimeName + 3), false},
        {"PE header beyond the end", WithDword(selvar, 0x3C, 0x7FFFFFF0), false},
        {"PE header before the start", WithDword(selvar, 0x3C, 0x80000000), false},
        {"import table beyond the image", WithDword(selvar, importEntry, 0x7FFFFFF0), false},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring file = folder.File(L"Image" + std::to_wstring(++index) + L".dll");
        ASSERT_TRUE(WriteTextFile(file, c.bytes));
        std::vector<std::wstring> names{L"stale"};
        EXPECT_EQ(ReadImportedLibraries(file, names), c.readable);
        if (c.readable) {
            EXPECT_TRUE(Contains(names, L"RTW32.dll") && Contains(names, L"KERNEL32.dll"));
            EXPECT_FALSE(Contains(names, L"stale"));
        } else {
            EXPECT_TRUE(names.empty());
        }
    }
    std::vector<std::wstring> names;
    EXPECT_FALSE(ReadImportedLibraries(folder.File(L"Missing.dll"), names));
}

TEST_F(LoadFailureTest, MissingImportsAreThoseNeitherBesideTheLibraryNorInTheSystemFolder) {
    const std::string selvar = Bytes(ProductFile(L"Selvar.dll"));
    const std::string kastor = Bytes(ProductFile(L"Kastor.dll"));
    const std::string mirel = Bytes(ProductFile(L"Mirel.dll"));
    const std::string dependent = Bytes(DependentLibrary);
    const std::string runtime = Bytes(ProductRuntimeLibrary);
    struct Case {
        const char* what;
        std::vector<TFile> files; // the library first
        std::vector<std::wstring> missing;
    } cases[] = {
        {"the runtime nowhere", {{L"Selvar.dll", selvar}}, {L"RTW32.dll"}},
        {"the runtime beside it", {{L"Selvar.dll", selvar}, {L"RTW32.dll", runtime}}, {}},
        {"Mirel.dll beside it", {{L"Kastor.dll", kastor}, {L"Mirel.dll", mirel}}, {}},
        {"Mirel.dll nowhere", {{L"Kastor.dll", kastor}}, {L"Mirel.dll"}},
        // A library beside it that lacks one of its own.
        {"Mirel.dll needing the runtime", {{L"Kastor.dll", kastor}, {L"Mirel.dll", selvar}}, {L"RTW32.dll"}},
        {"both nowhere", {{L"Dependent.dll", dependent}}, {L"Mirel.dll", L"RTW32.dll"}},
        {"an API set",
         {{L"Selvar.dll", Renamed(selvar, std::string("RTW32.dll", 10), std::string("ext-ms-x\0\0", 10))}},
         {}},
        {"not a library", {{L"Selvar.dll", "MZ"}}, {}},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TScratchFolder folder(GetTempFolder() + L"Zarvo Missing " + std::to_wstring(++index));
        for (const auto& [name, bytes] : c.files)
            ASSERT_TRUE(WriteTextFile(folder.File(name), bytes));
        EXPECT_EQ(MissingImports(folder.File(c.files.front().first)), c.missing);
    }
    EXPECT_TRUE(IsApiSetName(L"API-MS-WIN-core-file-l1-1-0.dll"));
    EXPECT_FALSE(IsApiSetName(L"api-ms.dll"));
}

// The second line comes only when the library could not be loaded, and names the missing imports.
TEST_F(LoadFailureTest, ALibraryThatCannotBeLoadedGetsOneMoreLineSayingWhy) {
    const std::string typeLibrary = Bytes(ProductFile(L"ZarvoKernel.tlb"));
    const TFile tornel{L"Tornel.dll", Bytes(ProductFile(L"Tornel.dll"))};
    const TFile selvar{L"Selvar.dll", Bytes(ProductFile(L"Selvar.dll"))};
    const TFile dependent{L"Dependent.dll", Bytes(DependentLibrary)};
    const TFile fault{L"Fault.dll", Bytes(FaultingLibrary)};
    const std::wstring runtime = L"; не найдена библиотека RTW32.dll";
    struct Case {
        std::vector<TFile> files;
        bool unregister;
        const wchar_t* failing;
        DWORD loadError; // ERROR_SUCCESS: the library loaded
        std::wstring missing;
        std::pair<const wchar_t*, const wchar_t*> environment{L"ZARVO_NOTHING", L""};
    } cases[] = {
        {{tornel, selvar}, false, L"SELVAR.DLL", ERROR_MOD_NOT_FOUND, runtime},
        {{tornel, selvar}, true, L"SELVAR.DLL", ERROR_MOD_NOT_FOUND, runtime},
        {{tornel, dependent},
         false,
         L"DEPENDENT.DLL",
         ERROR_MOD_NOT_FOUND,
         L"; не найдены библиотеки Mirel.dll, RTW32.dll"},
        {{tornel, fault}, false, L"FAULT.DLL", ERROR_NOACCESS, L"", {L"ZARVO_FAULTING_DLLMAIN", L"attach"}},
        // The configuration library is registered without being probed.
        {{{L"Tornel.dll", "[Zarvo]\r\n"}}, false, L"TORNEL.DLL", ERROR_BAD_EXE_FORMAT, L""},
        {{}, false, L"TORNEL.DLL", ERROR_MOD_NOT_FOUND, L""},
        {{tornel}, false, L"TORNEL.DLL", ERROR_SUCCESS, L"", {L"ZARVO_STANDIN_FAIL", L"Tornel.register"}},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE("case " + std::to_string(++index) + ", " + Narrow(c.failing));
        // A folder each: a library whose load failed may stay mapped.
        TScratchFolder folder(GetTempFolder() + L"Zarvo Load " + std::to_wstring(index));
        ASSERT_TRUE(WriteTextFile(folder.File(L"ZarvoKernel.tlb"), typeLibrary));
        for (const auto& [name, bytes] : c.files)
            ASSERT_TRUE(WriteTextFile(folder.File(name), bytes));
        TScopedEnvironment environment(c.environment.first, c.environment.second);
        TReportLog log;

        EXPECT_FALSE(c.unregister ? UnregisterComponents(folder.Path(), log)
                                  : RegisterComponents(folder.Path(), log));

        const std::wstring library = UpperCase(folder.File(c.failing));
        std::vector<TReportLog::TReport> expected{
            {true, library + (c.unregister ? L" не разрегистрирован" : L" не зарегистрирован"), L"Ошибка"}};
        if (c.loadError != ERROR_SUCCESS)
            expected.push_back(
                {true,
                 L"Невозможно загрузить " + library + L": " + Reason(c.loadError, c.failing) + c.missing,
                 L"Ошибка"});
        const auto& reports = log.Reports();
        ASSERT_GE(reports.size(), expected.size());
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), reports.end() - expected.size()))
            << Narrow(log.Dump());
    }
}

} // namespace
