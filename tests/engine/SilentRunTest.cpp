// The silent run in the test's own process: the session alone, no window at all.

#include "EngineTestSupport.h"

#include "engine/SilentRun.h"
#include "tests/support/ReportRecorder.h"

#include <functional>

namespace zarvo::testing {
namespace {

// Notes the windows the calling thread creates while it lives, but for message-only windows and COM's own
// apartment window (message-only on Windows, a hidden top-level window under Wine).
class TWindowCreationCount {
public:
    TWindowCreationCount() {
        created_.clear();
        hook_ = SetWindowsHookExW(WH_CBT, &Note, nullptr, GetCurrentThreadId());
    }
    TWindowCreationCount(const TWindowCreationCount&) = delete;
    TWindowCreationCount& operator=(const TWindowCreationCount&) = delete;
    ~TWindowCreationCount() { UnhookWindowsHookEx(hook_); }

    bool Hooked() const { return hook_ != nullptr; }
    // The class of each, by name.
    static const std::vector<std::wstring>& Created() { return created_; }

private:
    static LRESULT CALLBACK Note(int code, WPARAM wParam, LPARAM lParam) noexcept {
        if (code == HCBT_CREATEWND) {
            const CREATESTRUCTW* create = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs;
            std::wstring name = IS_INTRESOURCE(create->lpszClass)
                                    ? L"#" + std::to_wstring(uintptr_t(create->lpszClass))
                                    : std::wstring(create->lpszClass);
            if (create->hwndParent != HWND_MESSAGE && name != L"OleMainThreadWndClass")
                created_.push_back(name);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static inline std::vector<std::wstring> created_;
    HHOOK hook_ = nullptr;
};

class SilentRun : public EngineTest {
protected:
    THandle held;
};

// Whatever the report slots hold (the form's log view, say), the silent run reports past them, into the
// log file alone.
TEST_F(SilentRun, InstallsAndRemovesWithoutCreatingAWindow) {
    const std::wstring folder = *temp / L"Silent";
    TWindowCreationCount windows;
    ASSERT_TRUE(windows.Hooked());
    TReportRecorder slots;

    EXPECT_EQ(RunSilently(ParseCommandLine(L"setup /silent \"/dir=" + folder + L"\""), system), ExitDone);
    EXPECT_TRUE(PathExists(folder + L"\\Orvan.exe"));
    EXPECT_EQ(RunSilently(ParseCommandLine(L"setup /silent /remove"), system), ExitDone);
    EXPECT_FALSE(PathExists(folder));

    EXPECT_EQ(TWindowCreationCount::Created(), std::vector<std::wstring>{});
    EXPECT_EQ(slots.lines, std::vector<std::wstring>{});
}

// The codes a deployment tool acts on. A removal that kept only the folder, for a file the list does not
// name, did what was asked; a removal with any other error did not. Refusals change nothing.
TEST_F(SilentRun, EndsWithTheCodeOfWhatHappened) {
    const std::wstring folder = *temp / L"Silent", userFile = folder + L"\\notes.txt";
    const std::wstring install = L"setup /silent \"/dir=" + folder + L"\"";
    const struct {
        const char* name;
        std::function<void()> before;
        std::wstring arguments;
        TExitCode code;
        bool installedAfter;
    } cases[] = {
        {"no room", [&] { system.freeSpace = std::optional<uint64_t>(1); }, install, ExitNoRoom, false},
        {"refused folder", [&] { system.freeSpace.reset(); }, L"setup /silent /dir=relative",
         ExitFolderRefused, false},
        {"unknown argument", [] {}, L"setup /silent /bogus", ExitBadArgument, false},
        {"installed", [] {}, install, ExitDone, true},
        {"only the folder kept", [&] { ASSERT_TRUE(WriteTextFile(userFile, "the user's")); },
         L"setup /silent /remove", ExitDone, false},
        {"reinstalled", [&] { DeleteFileW(userFile.c_str()); }, install, ExitDone, true},
        {"a listed file held",
         [&] {
             held = THandle(CreateFileW((folder + L"\\Orvan.exe").c_str(), GENERIC_READ, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
         },
         L"setup /silent /remove", ExitRunErrors, false},
        {"nothing to remove", [&] { held.Reset(); }, L"setup /silent /remove", ExitRefused, false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        test.before();
        EXPECT_EQ(RunSilently(ParseCommandLine(test.arguments), system), test.code);
        EXPECT_EQ(PathExists(folder + L"\\ZarvoKernel.tlb"), test.installedAfter);
    }
    EXPECT_TRUE(PathExists(folder + L"\\Orvan.exe"));
}

// A check runs every check of the silent run it stands for, says so in the log and ends with that run's
// code, and changes nothing: the folder's files (names and write times) and the product key stay as they
// were.
TEST_F(SilentRun, ACheckChangesNothingAndEndsWithTheRunsCode) {
    const std::wstring folder = *temp / L"Checked", dir = L" \"/dir=" + folder + L"\"";
    auto state = [&] {
        std::vector<std::pair<std::wstring, uint64_t>> files;
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
        // The folder's own write time is left out: the check of a folder that can be written makes a
        // probe file in it and deletes it.
        for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &data))
            if (data.cFileName[0] != L'.')
                files.emplace_back(data.cFileName, uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32 |
                                                       data.ftLastWriteTime.dwLowDateTime);
        if (find != INVALID_HANDLE_VALUE)
            FindClose(find);
        const bool installed =
            RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\VARNEX_SRV.INI\\Install\\Вирдана", L"ProgPath",
                         RRF_RT_REG_SZ, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
        return std::pair{files, installed};
    };
    const struct {
        const char* name;
        std::function<void()> before;
        std::wstring arguments;
        TExitCode code;
    } cases[] = {
        {"nothing installed", [] {}, L"setup /check" + dir, ExitDone},
        {"nothing to remove", [] {}, L"setup /check /remove", ExitRefused},
        {"no room", [&] { system.freeSpace = std::optional<uint64_t>(1); }, L"setup /silent /check" + dir,
         ExitNoRoom},
        {"installed",
         [&] {
             system.freeSpace.reset();
             ASSERT_EQ(RunSilently(ParseCommandLine(L"setup /silent" + dir), system), ExitDone);
         },
         L"setup /check", ExitDone},
        {"installed, removal", [] {}, L"setup /check /remove", ExitDone},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        test.before();
        const auto before = state();
        EXPECT_EQ(RunSilently(ParseCommandLine(test.arguments), system), test.code);
        EXPECT_EQ(state(), before);
    }
    EXPECT_EQ(RunSilently(ParseCommandLine(L"setup /silent /remove"), system), ExitDone);
}

} // namespace
} // namespace zarvo::testing
