// The real executable as a child process: its start-up failures end it with exit code 0 after one
// box, a good start shows the welcome page, and a second start while one runs prepares nothing. Boxes
// are found by their window, read and answered.

#include "AppTestSupport.h"
#include "common/Handles.h"
#include "common/SetupError.h"
#include "engine/SetupLock.h"
#include "tests/support/RegistryValueOverride.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <type_traits>

using namespace zarvo;
using namespace zarvo::testing;

namespace {

struct TBox {
    std::wstring caption, text;
};

struct TRun {
    bool started = false;
    bool ended = false;
    DWORD exitCode = STILL_ACTIVE;
    std::vector<TBox> boxes;
    bool formShown = false;
    bool windowShown = false; // any visible top-level window of the process
};

struct TWindowsOf {
    DWORD process;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectVisibleWindow(HWND window, LPARAM data) {
    auto* found = reinterpret_cast<TWindowsOf*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == found->process && IsWindowVisible(window))
        found->windows.push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindowsOf(DWORD process) {
    TWindowsOf found{process, {}};
    EnumWindows(&CollectVisibleWindow, reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

struct TChildSearch {
    int id;
    HWND found;
};

BOOL CALLBACK MatchChildId(HWND child, LPARAM data) {
    auto* search = reinterpret_cast<TChildSearch*>(data);
    if (GetDlgCtrlID(child) != search->id)
        return TRUE;
    search->found = child;
    return FALSE;
}

HWND FindChildById(HWND parent, int id) {
    TChildSearch search{id, nullptr};
    EnumChildWindows(parent, &MatchChildId, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Runs the executable and watches its windows: every message box is read and answered with
// boxAnswer; onForm is called once when the main form shows.
TRun RunSetup(const std::wstring& exe, const std::wstring& arguments, int boxAnswer,
              const std::function<void(HWND)>& onForm = nullptr) {
    TRun run;
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    run.started = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &process) != FALSE;
    if (!run.started)
        return run;
    CloseHandle(process.hThread);
    std::vector<HWND> answered;
    ULONGLONG end = GetTickCount64() + 60000;
    while (GetTickCount64() < end) {
        if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0) {
            run.ended = true;
            break;
        }
        for (HWND window : TopLevelWindowsOf(process.dwProcessId)) {
            run.windowShown = true;
            std::wstring className = ClassOf(window);
            if (className == MainFormClassName && !run.formShown) {
                run.formShown = true;
                if (onForm)
                    onForm(window);
            } else if (className == L"#32770" &&
                       std::find(answered.begin(), answered.end(), window) == answered.end()) {
                wchar_t text[1024] = {};
                GetDlgItemTextW(window, 0xFFFF, text, 1024);
                run.boxes.push_back({TextOf(window), text});
                answered.push_back(window);
                PostMessageW(window, WM_COMMAND, MAKEWPARAM(boxAnswer, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(window, boxAnswer)));
            }
        }
    }
    if (!run.ended)
        TerminateProcess(process.hProcess, 99);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hProcess);
    return run;
}

// The log file holds the line, or is empty when none is expected.
void ExpectLogged(const std::wstring& log, const wchar_t* line) {
    const std::string text = ReadBinaryFile(log);
    if (*line == L'\0')
        EXPECT_EQ(text, "");
    else
        EXPECT_NE(text.find(WideToUtf8(line)), std::string::npos) << text;
}

const wchar_t* const StartupFiles[] = {L"Unrar.dll", L"SetupZarvo.rar", L"Dist.lst"};

class RealExecutable : public FormTest {};

} // namespace

TEST_F(RealExecutable, AStartUpFailureEndsItWithOneBoxAndExitCodeZero) {
    struct Case {
        const char* exe;
        bool lockLibrary;
        const wchar_t* missing;
    } const cases[] = {
        {ZARVO_SETUP_WITHOUT_PAYLOAD_EXE, false, L"SetupZarvo.rar"},
        {ZARVO_SETUP_EXE, true, L"Unrar.dll"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exe);
        DeleteFileW((*temp / L"Unrar.dll").c_str());
        HANDLE holder = INVALID_HANDLE_VALUE;
        if (c.lockLibrary) {
            ASSERT_TRUE(WriteTextFile(*temp / L"Unrar.dll", "held"));
            holder = CreateFileW((*temp / L"Unrar.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
            ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        }
        TRun run = RunSetup(WinePath(c.exe), L"", IDOK);
        if (holder != INVALID_HANDLE_VALUE)
            CloseHandle(holder);
        ASSERT_TRUE(run.started) << GetLastError();
        ASSERT_TRUE(run.ended);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_FALSE(run.formShown);
        ASSERT_EQ(run.boxes.size(), 1u);
        EXPECT_EQ(run.boxes[0].caption, L"Ошибка запуска установки");
        EXPECT_EQ(run.boxes[0].text,
                  std::wstring(L"Невозможно извлечь ") + c.missing + L" в " + temp->Folder());
        // What was written before the failure stays; nothing after it is written.
        if (c.lockLibrary)
            EXPECT_EQ(ReadBinaryFile(*temp / L"Unrar.dll"), "held");
        else
            EXPECT_GT(ReadBinaryFile(*temp / L"Unrar.dll").size(), 1000u);
        EXPECT_FALSE(PathExists(*temp / L"SetupZarvo.rar"));
        EXPECT_FALSE(PathExists(*temp / L"Dist.lst"));
    }
}

TEST_F(RealExecutable, AGoodStartShowsTheWelcomePageAndCancelYesEndsIt) {
    std::wstring screenshot;
    TRun run = RunSetup(WinePath(ZARVO_SETUP_EXE), L"/auto", IDYES, [&](HWND form) {
        Sleep(500);
        screenshot = SaveScreenshot(form, L"SetupZarvo-start");
        HWND cancel = FindChildById(form, int(TControlId::CancelButton));
        PostMessageW(cancel, BM_CLICK, 0, 0);
    });
    ASSERT_TRUE(run.started) << GetLastError();
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.formShown);
    EXPECT_FALSE(screenshot.empty());
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].caption, L"Установка");
    EXPECT_EQ(run.boxes[0].text, L"Вы действительно хотите прервать установку?");
    for (const wchar_t* name : {L"Unrar.dll", L"SetupZarvo.rar", L"Dist.lst"})
        EXPECT_TRUE(PathExists(*temp / name)) << name;
}

TEST_F(RealExecutable, ScalesItsLayoutToTheSystemDpi) {
    constexpr int dpi = 144;
    RECT window{}, forward{}, image{};
    std::wstring shot, statusShot, log;
    // Installed into a folder that is gone: the removal run gives a log of mixed lines.
    state->SetProgPath(*temp / L"Gone");
    {
        // Wine reads the system DPI when a process starts.
        TRegistryValueOverride systemDpi(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels");
        DWORD value = dpi;
        systemDpi.Set(REG_DWORD, &value, sizeof(value));
        TRun run = RunSetup(WinePath(ZARVO_SETUP_EXE), L"", IDYES, [&](HWND form) {
            Sleep(500);
            GetWindowRect(form, &window);
            forward = RectInParent(FindChildById(form, int(TControlId::ForwardButton)));
            image = RectInParent(FindChildById(form, int(TControlId::Image2)));
            shot = SaveScreenshot(form, L"SheetAlready-144dpi");
            HWND finish = FindChildById(form, int(TControlId::ForwardButton));
            SendMessageW(FindChildById(form, int(TControlId::RemoveButton)), BM_CLICK, 0, 0);
            for (int i = 0; i < 200 && !IsWindowEnabled(finish); ++i)
                Sleep(50);
            statusShot = SaveScreenshot(form, L"SheetStatus-144dpi");
            log = TextOf(FindChildById(form, int(TControlId::M)));
            PostMessageW(finish, BM_CLICK, 0, 0);
        });
        ASSERT_TRUE(run.ended);
        ASSERT_TRUE(run.formShown);
    }
    EXPECT_EQ(window.right - window.left, MulDiv(652, dpi, 96));
    EXPECT_EQ(window.bottom - window.top, MulDiv(352, dpi, 96));
    EXPECT_EQ(forward.left, MulDiv(475, dpi, 96));
    EXPECT_EQ(forward.right - forward.left, MulDiv(91, dpi, 96));
    EXPECT_EQ(image.right - image.left, MulDiv(150, dpi, 96));
    EXPECT_EQ(image.bottom - image.top, MulDiv(280, dpi, 96));
    EXPECT_FALSE(shot.empty());
    EXPECT_FALSE(statusShot.empty());
    EXPECT_EQ(log.substr(log.rfind(L"\r\n") + 2), L"Ошибка: Удаление ПО \"Вирдана\" завершено с ошибками.");
}

TEST_F(RealExecutable, HoldsItsStartUpFilesSoThatNoOtherProcessCanReplaceThem) {
    const std::wstring planted = *temp / L"planted";
    ASSERT_TRUE(WriteTextFile(planted, "planted"));
    std::vector<std::wstring> replaceable;
    TRun run = RunSetup(WinePath(ZARVO_SETUP_EXE), L"", IDYES, [&](HWND form) {
        for (const wchar_t* name : StartupFiles) {
            std::wstring path = *temp / name;
            THandle writer(CreateFileW(path.c_str(), GENERIC_WRITE,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
            if (writer.Valid() || DeleteFileW(path.c_str()) ||
                MoveFileW(path.c_str(), (path + L"~").c_str()) ||
                MoveFileExW(planted.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
                replaceable.push_back(name);
        }
        PostMessageW(FindChildById(form, int(TControlId::CancelButton)), BM_CLICK, 0, 0);
    });
    ASSERT_TRUE(run.formShown);
    EXPECT_TRUE(run.ended);
    EXPECT_TRUE(replaceable.empty()) << WideToUtf8(replaceable.front());
}

// A second start while a wizard waits on its page: an interactive one brings the wizard back, a silent
// one is refused, and neither prepares anything. It has a temporary folder of its own here, where its
// session's start-up files would show.
TEST_F(RealExecutable, ASecondStartBringsTheRunningWizardBackOrIsRefusedBeforePreparingAnything) {
    const std::wstring log = *temp / L"second.log";
    struct TCase {
        const wchar_t* arguments;
        DWORD exitCode;
        const wchar_t* logged; // empty: the log file gets no line
        bool minimised;        // else behind a window of the test
        bool broughtBack;
    } const cases[] = {
        {L"", 0, L"", true, true},
        {L"", 0, L"", false, true},
        {L"/silent /remove", 1618, L"ошибка    Ошибка: Установка Zarvo уже запущена", true, false},
    };
    auto startSeconds = [&](HWND form) {
        auto inFront = [form] {
            return !IsIconic(form) && GetForegroundWindow() == form;
        };
        std::unique_ptr<std::remove_pointer_t<HWND>, decltype(&DestroyWindow)> other(
            CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr,
                            nullptr, nullptr),
            &DestroyWindow);
        for (const TCase& c : cases) {
            SCOPED_TRACE(WideToUtf8(c.arguments) + (c.minimised ? " minimised" : " behind"));
            // Wine may hand the foreground back to a form just restored a moment later: away until it stays.
            ASSERT_TRUE(PumpUntil([&] {
                if (c.minimised)
                    ShowWindow(form, SW_MINIMIZE);
                else
                    SetForegroundWindow(other.get());
                PumpFor(200);
                return !inFront();
            }));
            DeleteFileW(log.c_str());
            const ULONGLONG start = GetTickCount64();
            TRun second = RunSetup(WinePath(ZARVO_SETUP_EXE),
                                   std::wstring(c.arguments) + L" /log=\"" + log + L"\"", IDOK);
            ASSERT_TRUE(second.ended);
            EXPECT_LT(GetTickCount64() - start, 10000u);
            EXPECT_EQ(second.exitCode, c.exitCode);
            EXPECT_FALSE(second.windowShown);
            EXPECT_EQ(PumpUntil(inFront, 3000), c.broughtBack);
            ExpectLogged(log, c.logged);
        }
    };
    std::vector<std::wstring> preparedBySecond;
    std::vector<int64_t> writeTimes, writeTimesAfter;
    TRun run = RunSetup(WinePath(ZARVO_SETUP_EXE), L"", IDYES, [&](HWND form) {
        for (const wchar_t* name : StartupFiles)
            writeTimes.push_back(GetFileWriteTime(*temp / name));
        {
            TPrivateTemp secondTemp;
            startSeconds(form);
            for (const wchar_t* name : StartupFiles)
                if (PathExists(secondTemp / name))
                    preparedBySecond.push_back(name);
        }
        for (const wchar_t* name : StartupFiles)
            writeTimesAfter.push_back(GetFileWriteTime(*temp / name));
        PostMessageW(FindChildById(form, int(TControlId::CancelButton)), BM_CLICK, 0, 0);
    });
    // The wizard went on as if nothing had happened: its cancel question, then its end.
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].caption, L"Установка");
    EXPECT_EQ(writeTimesAfter, writeTimes);
    EXPECT_TRUE(preparedBySecond.empty()) << WideToUtf8(preparedBySecond.front());
}

// Held by a setup that shows no form (a silent run, say): an interactive start says so in a box, and the
// help box neither waits for it nor mentions it. Neither prepares anything.
TEST_F(RealExecutable, WhileASetupWithoutAFormRunsAStartSaysSoAndHelpStillShows) {
    const std::wstring log = *temp / L"held.log";
    struct TCase {
        const wchar_t* arguments;
        DWORD exitCode;
        const wchar_t* box;    // empty: none; else how its text begins
        const wchar_t* logged; // empty: the log file gets no line
    } const cases[] = {
        {L"", 0, L"Установка Zarvo уже запущена", L"сообщение Установка Zarvo уже запущена"},
        {L"/?", 0, L"SetupZarvo.exe [/silent]", L""},
        {L"/check", 1618, L"", L"ошибка    Ошибка: Установка Zarvo уже запущена"},
    };
    TSetupLock held;
    ASSERT_FALSE(held.OtherSetupRuns());
    for (const TCase& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.arguments));
        DeleteFileW(log.c_str());
        TRun run =
            RunSetup(WinePath(ZARVO_SETUP_EXE), std::wstring(c.arguments) + L" /log=\"" + log + L"\"", IDOK);
        ASSERT_TRUE(run.ended);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_FALSE(run.formShown);
        std::vector<std::wstring> boxTexts;
        for (const TBox& box : run.boxes)
            boxTexts.push_back(box.text.substr(0, wcslen(c.box)));
        EXPECT_EQ(boxTexts, *c.box == L'\0' ? std::vector<std::wstring>{} : std::vector<std::wstring>{c.box});
        ExpectLogged(log, c.logged);
        for (const wchar_t* name : StartupFiles)
            EXPECT_FALSE(PathExists(*temp / name)) << WideToUtf8(name);
    }
}

// Windows looks for a program's static imports beside the program first, except for its known libraries:
// a library dropped into the downloads folder must find nothing to stand in for. (Under Wine the planted
// copy itself proves nothing: Wine's own system libraries import such names too.)
TEST_F(RealExecutable, ImportsOnlyTheSystemsKnownLibraries) {
    const std::vector<std::string> known = {"ADVAPI32.DLL", "COMCTL32.DLL", "GDI32.DLL",    "KERNEL32.DLL",
                                            "MSVCRT.DLL",   "OLE32.DLL",    "OLEAUT32.DLL", "SHELL32.DLL",
                                            "USER32.DLL",   "SHLWAPI.DLL",  "RPCRT4.DLL",   "SECHOST.DLL"};
    HMODULE image = LoadLibraryExW(WinePath(ZARVO_SETUP_EXE).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(image, nullptr);
    auto* base = reinterpret_cast<const BYTE*>(image);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    ASSERT_NE(imports, 0u);
    std::vector<std::string> names;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports); entry->Name != 0;
         ++entry) {
        std::string name = reinterpret_cast<const char*>(base + entry->Name);
        for (char& c : name)
            c = char(toupper(static_cast<unsigned char>(c)));
        names.push_back(name);
    }
    FreeLibrary(image);
    EXPECT_NE(std::find(names.begin(), names.end(), "KERNEL32.DLL"), names.end());
    for (const std::string& name : names)
        EXPECT_NE(std::find(known.begin(), known.end(), name), known.end())
            << name << " is not a known library";
}

// A silent run shows nothing and tells its outcome by the exit code and the log file.
TEST_F(RealExecutable, SilentRunsInstallReinstallAndRemoveWithoutAWindow) {
    const std::wstring folder = *temp / L"Silent Zarvo";
    const std::wstring log = *temp / L"silent.log";
    const std::wstring productKey = L"Software\\VARNEX_SRV.INI\\Install\\Вирдана";
    auto installed = [&] {
        DWORD type = 0;
        return RegGetValueW(HKEY_LOCAL_MACHINE, productKey.c_str(), L"ProgPath", RRF_RT_REG_SZ, &type,
                            nullptr, nullptr) == ERROR_SUCCESS;
    };
    struct TCase {
        std::wstring arguments;
        DWORD exitCode;
        std::wstring logged; // a line the log file ends with or holds
        bool installedAfter;
    } cases[] = {
        {L"/SILENT \"/dir=" + folder + L"\" /autoreinstall", 0,
         L"Установка ПО \"Вирдана\" успешно завершена.", true},
        {L"/silent", 0, L"Установка ПО \"Вирдана\" успешно завершена.", true},
        {L"/silent /remove", 0, L"Удаление ПО \"Вирдана\" успешно завершено.", false},
        {L"/silent /remove", 2, L"Ошибка: Zarvo не установлен: удалять нечего", false},
        {L"/silent /bogus", 3, L"Ошибка: Неизвестный параметр командной строки: /bogus", false},
        // A drive letter that names no drive: refused at once, not searched for forever.
        {L"/silent /dir=Q:\\Zarvo", 7, L"Ошибка: Диск Q: не найден или не готов", false},
        // A folder nothing can be written to (the host's process file system).
        {L"/silent /dir=Z:\\proc\\Zarvo", 7, L"Ошибка: Нет доступа к каталогу Z:\\proc", false},
        {L"/silent /dir=C:\\" + std::wstring(240, L'z'), 7, L"Ошибка: Путь для установки слишком длинный",
         false},
        {L"/silent /dir=\\\\server\\share", 7,
         L"Ошибка: Невозможно использовать сетевой путь для запуска программ", false},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(WideToUtf8(test.arguments));
        DeleteFileW(log.c_str());
        TRun run = RunSetup(WinePath(ZARVO_SETUP_EXE), test.arguments + L" /log=\"" + log + L"\"", IDOK);
        ASSERT_TRUE(run.ended);
        EXPECT_FALSE(run.windowShown);
        EXPECT_EQ(run.exitCode, test.exitCode);
        std::string text = ReadBinaryFile(log);
        EXPECT_NE(text.find(WideToUtf8(test.logged)), std::string::npos) << text;
        EXPECT_EQ(installed(), test.installedAfter);
    }
    EXPECT_FALSE(PathExists(folder));
}

TEST_F(RealExecutable, ASilentRunRefusesWhileAComponentHangsAndHelpListsTheArguments) {
    // The kernel stand-in shows its window and then stops handling messages.
    SetEnvironmentVariableW(L"ZARVO_STANDIN_HANG", L"ZarvoKernel");
    std::wstring kernel = WinePath(ZARVO_PAYLOAD_PRODUCT_DIR) + L"\\ZarvoKernel.exe";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(kernel.c_str(), kernel.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    SetEnvironmentVariableW(L"ZARVO_STANDIN_HANG", nullptr);
    THandle kernelProcess(process.hProcess), kernelThread(process.hThread);
    ASSERT_TRUE(PumpUntil([] { return FindWindowW(nullptr, L"ZarvoKernel") != nullptr; }, 10000));

    // A check only looks: the component runs, so the run would be refused, and nothing is sent to it.
    const std::wstring checkLog = *temp / L"check.log";
    TRun check = RunSetup(WinePath(ZARVO_SETUP_EXE), L"/check /log=\"" + checkLog + L"\"", IDOK);
    ASSERT_TRUE(check.ended);
    EXPECT_EQ(check.exitCode, 4u);
    EXPECT_FALSE(check.windowShown);
    EXPECT_NE(ReadBinaryFile(checkLog).find(WideToUtf8(L"Ошибка: Компоненты Zarvo запущены")),
              std::string::npos);

    const std::wstring log = *temp / L"hung.log";
    TRun run = RunSetup(WinePath(ZARVO_SETUP_EXE), L"/silent /log=\"" + log + L"\"", IDOK);
    TerminateProcess(kernelProcess.Get(), 0);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 4u);
    EXPECT_FALSE(run.windowShown);
    EXPECT_NE(ReadBinaryFile(log).find(WideToUtf8(L"Ошибка: Компоненты Zarvo не закрыты")),
              std::string::npos);
    EXPECT_FALSE(PathExists(GetSpecialFolderPath(CSIDL_PROGRAM_FILES) + L"\\Zarvo")) << "nothing changed";

    TRun help = RunSetup(WinePath(ZARVO_SETUP_EXE), L"/?", IDOK);
    ASSERT_TRUE(help.ended);
    EXPECT_FALSE(help.formShown);
    ASSERT_EQ(help.boxes.size(), 1u);
    EXPECT_EQ(help.boxes[0].text.substr(0, 24), L"SetupZarvo.exe [/silent]");
}
