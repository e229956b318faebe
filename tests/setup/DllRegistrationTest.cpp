// The self-registration worker with the real stand-in libraries: probing, registering, unregistering,
// the folder scan and the guarded library load.

#include "RegistrationTestSupport.h"
#include "common/CommonUtils.h"
#include "setup/GuardedCall.h"
#include "setup/ImportTable.h"
#include "setup/SetupUtils.h"

#include <algorithm>
#include <thread>

using namespace zarvo;
using namespace setuptest;

namespace {

unsigned short ControlWord() {
    unsigned short word = 0;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}

class DllRegistrationTest : public RegistrationTest {
protected:
    // In the temporary folder: a folder whose library stays loaded cannot be removed before the process ends.
    explicit DllRegistrationTest(bool withRuntime = true, const wchar_t* folder = L"Zarvo Libraries")
        : RegistrationTest(withRuntime), folder_(GetTempFolder() + folder) {}
    void SetUp() override {
        RegistrationTest::SetUp();
        ASSERT_TRUE(folder_.CopyWholeProduct());
    }
    TScratchFolder folder_;
};

// Without the runtime library in the system folder: the probe resolves no imports, so a library that
// needs it is still recognised. (Wine keeps a library whose load failed mapped, so a folder of its own.)
class DllProbeTest : public DllRegistrationTest {
protected:
    DllProbeTest() : DllRegistrationTest(false, L"Zarvo Probe") {}
    void SetUp() override {
        DllRegistrationTest::SetUp();
        ASSERT_FALSE(PathExists(GetSystemFolder() + L"RTW32.dll"));
    }
};

TEST_F(DllProbeTest, OnlyFilesExportingBothEntryPointsAreSelfRegistering) {
    struct Case {
        std::wstring file;
        bool selfRegistering;
    } cases[] = {
        {L"Tornel.dll", true},       {L"Selvar.dll", true},     {L"Kastor.dll", true},
        {L"Mirel.dll", false},       {L"Pelmar.dll", false},    {L"Orvan.exe", false},
        {L"ZarvoKernel.tlb", false}, {L"Настройки.ini", false}, {L"Missing.dll", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.file));
        EXPECT_EQ(IsSelfRegisteringDll(folder_.File(c.file)), c.selfRegistering);
    }
    EXPECT_FALSE(IsSelfRegisteringDll(ProductRuntimeLibrary));
    EXPECT_FALSE(ClassesKeyExists(L"ZarvoStandIn")) << "probing ran library code";

    // Only the export directory counts: this program holds both names (it asks libraries for them) and
    // exports neither.
    wchar_t self[MAX_PATH];
    ASSERT_TRUE(GetModuleFileNameW(nullptr, self, MAX_PATH));
    EXPECT_FALSE(MayExportBoth(self, "DllRegisterServer", "DllUnregisterServer"));
    EXPECT_TRUE(MayExportBoth(folder_.File(L"Tornel.dll"), "DllRegisterServer", "DllUnregisterServer"));
}

TEST_F(DllProbeTest, ALibraryWhoseDependencyIsMissingCannotRegister) {
    ASSERT_EQ(GetModuleHandleW(L"RTW32.dll"), nullptr) << "an earlier test left the runtime library loaded";
    EXPECT_FALSE(RegisterDllServer(folder_.File(L"Selvar.dll")));
    EXPECT_FALSE(ClassesKeyExists(StandInKey(L"Selvar")));
}

TEST_F(DllRegistrationTest, EntryPointsRunOnAWorkerThreadInASingleThreadedApartment) {
    ASSERT_TRUE(RegisterDllServer(folder_.File(L"Selvar.dll")));

    const std::wstring key = StandInKey(L"Selvar");
    EXPECT_EQ(ReadClassesString(key, L"Apartment"), std::optional<std::wstring>(L"STA"));
    auto thread = ReadClassesDword(key, L"ThreadId");
    ASSERT_TRUE(thread.has_value());
    EXPECT_NE(*thread, GetCurrentThreadId());
    EXPECT_EQ(ReadClassesDword(key, L"RuntimeVersion"), std::optional<DWORD>(MAKELONG(0, 3)));

    ASSERT_TRUE(UnregisterDllServer(folder_.File(L"Selvar.dll")));
    EXPECT_FALSE(ClassesKeyExists(key));
}

TEST_F(DllRegistrationTest, TheWorkersExitCodeIsTheResult) {
    struct Case {
        uint8_t mode;
        DWORD exitCode;
        bool keyAfter;
    } cases[] = {
        {TDllRegisterServerThread::ModeRegister, 1, true},
        {3, 0, true}, // an unknown mode calls nothing
        {TDllRegisterServerThread::ModeUnregister, 1, false},
        {TDllRegisterServerThread::ModeProbe, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.mode));
        TJoiningThread<TDllRegisterServerThread> worker;
        worker.FLibraryPath = folder_.File(L"Tornel.dll");
        worker.FMode = c.mode;
        ASSERT_TRUE(worker.Start());
        EXPECT_EQ(worker.WaitFor(), c.exitCode);
        EXPECT_EQ(ClassesKeyExists(StandInKey(L"Tornel")), c.keyAfter);
    }
}

// A library that crashed stays loaded for the rest of the process, so it is a copy in a folder of its own.
TEST_F(DllRegistrationTest, FailuresInsideALibraryAreFailedResults) {
    TScratchFolder crashFolder(GetTempFolder() + L"Zarvo Crash");
    const std::wstring crashy = crashFolder.File(L"Crashy.dll");
    ASSERT_TRUE(CopyFileW(folder_.File(L"Tornel.dll").c_str(), crashy.c_str(), FALSE));
    struct Case {
        const wchar_t* variable;
        const wchar_t* request;
        uint8_t mode;
    } cases[] = {
        {L"ZARVO_STANDIN_FAIL", L"Crashy.register", TDllRegisterServerThread::ModeRegister},
        {L"ZARVO_STANDIN_CRASH", L"Crashy.register", TDllRegisterServerThread::ModeRegister},
        {L"ZARVO_STANDIN_FAIL", L"Crashy.unregister", TDllRegisterServerThread::ModeUnregister},
        {L"ZARVO_STANDIN_CRASH", L"Crashy.unregister", TDllRegisterServerThread::ModeUnregister},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(std::wstring(c.variable) + L"=" + c.request));
        TScopedEnvironment sabotage(c.variable, c.request);
        TJoiningThread<TDllRegisterServerThread> worker;
        worker.FLibraryPath = crashy;
        worker.FMode = c.mode;
        ASSERT_TRUE(worker.Start());
        // Exactly 0, not the fault's code: the worker itself ends the thread.
        EXPECT_EQ(worker.WaitFor(), 0u);
    }
    {
        TScopedEnvironment sabotage(L"ZARVO_STANDIN_CRASH", L"Crashy.register");
        EXPECT_FALSE(RegisterDllServer(crashy));
    }
    EXPECT_FALSE(ClassesKeyExists(StandInKey(L"Crashy")));
    // The process survived the faults and the next library still registers.
    EXPECT_TRUE(RegisterDllServer(folder_.File(L"Tornel.dll")));
}

// Kastor.dll imports Mirel.dll, which lies only beside it; the current folder is elsewhere and out of the
// search order anyway, as in the installer.
TEST_F(DllRegistrationTest, ALibraryImportingALibraryBesideItRegisters) {
    const std::wstring key = StandInKey(L"Kastor");
    ASSERT_TRUE(RegisterDllServer(folder_.File(L"Kastor.dll")));
    EXPECT_EQ(ReadClassesDword(key, L"SharedVersion"), std::optional<DWORD>(MAKELONG(2, 1)));
    EXPECT_EQ(ReadClassesString(key, L"Module"), std::optional<std::wstring>(folder_.File(L"Kastor.dll")));
    ASSERT_TRUE(UnregisterDllServer(folder_.File(L"Kastor.dll")));
    EXPECT_FALSE(ClassesKeyExists(key));

    // A relative path is taken from the current folder and then loaded by its full path.
    ASSERT_TRUE(SetCurrentDirectoryW(folder_.Path().c_str()));
    EXPECT_TRUE(RegisterDllServer(L"Kastor.dll"));
    EXPECT_TRUE(ClassesKeyExists(key));
}

// The loader runs DllMain under a handler of its own: a fault on load fails LoadLibrary, one on release is
// swallowed. Either way only that library fails. Each case has a copy of its own, since a library that
// faulted may stay loaded.
TEST_F(DllRegistrationTest, AFaultingDllMainFailsOnlyThatLibrary) {
    TScratchFolder faultFolder(GetTempFolder() + L"Zarvo DllMain");
    struct Case {
        const wchar_t* fault;
        uint8_t mode;
        DWORD exitCode;
    } cases[] = {
        {L"attach", TDllRegisterServerThread::ModeRegister, 0},
        {L"attach", TDllRegisterServerThread::ModeUnregister, 0},
        {L"detach", TDllRegisterServerThread::ModeRegister, 0},
        {L"detach", TDllRegisterServerThread::ModeUnregister, 0},
        // The probe runs no library code.
        {L"attach", TDllRegisterServerThread::ModeProbe, 1},
        // An exception left pending on the x87 is cleared, not raised in the worker.
        {L"fpu", TDllRegisterServerThread::ModeRegister, 1},
    };
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(std::wstring(c.fault) + L" mode " + std::to_wstring(c.mode)));
        const std::wstring library = faultFolder.File(L"Fault" + std::to_wstring(++index) + L".dll");
        ASSERT_TRUE(CopyFileW(FaultingLibrary.c_str(), library.c_str(), FALSE));
        TScopedEnvironment fault(L"ZARVO_FAULTING_DLLMAIN", c.fault);
        TJoiningThread<TDllRegisterServerThread> worker;
        worker.FLibraryPath = library;
        worker.FMode = c.mode;
        ASSERT_TRUE(worker.Start());
        EXPECT_EQ(worker.WaitFor(), c.exitCode);
    }
    // The loader lock was not left held: the next library loads and registers.
    EXPECT_TRUE(RegisterDllServer(folder_.File(L"Tornel.dll")));
    EXPECT_TRUE(ClassesKeyExists(StandInKey(L"Tornel")));
}

// A fault there must not end the thread (see CallEntryPointOrEndThread), so the test must be right.
TEST(LoaderLock, IsSeenHeldWhileTheThreadHoldsIt) {
    using TLock = LONG(NTAPI*)(ULONG, ULONG*, ULONG_PTR*);
    using TUnlock = LONG(NTAPI*)(ULONG, ULONG_PTR);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto lock = reinterpret_cast<TLock>(reinterpret_cast<void*>(GetProcAddress(ntdll, "LdrLockLoaderLock")));
    auto unlock =
        reinterpret_cast<TUnlock>(reinterpret_cast<void*>(GetProcAddress(ntdll, "LdrUnlockLoaderLock")));
    ASSERT_TRUE(lock != nullptr && unlock != nullptr);

    EXPECT_FALSE(ThreadHoldsLoaderLock());
    ULONG_PTR cookie = 0;
    ASSERT_EQ(lock(0, nullptr, &cookie), 0);
    EXPECT_TRUE(ThreadHoldsLoaderLock());
    unlock(0, cookie);
    EXPECT_FALSE(ThreadHoldsLoaderLock());
}

// A library that sends a message to a window of the waiting thread must not dead-lock the registration:
// the wait has no time-out but still serves sent messages.
namespace observer {

int received = 0;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_APP && InSendMessage())
        ++received;
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace observer

TEST_F(DllRegistrationTest, TheWaitServesMessagesTheLibrarySendsToTheCallersWindows) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &observer::WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ZarvoRegistrationObserver";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Zarvo registration observer", WS_OVERLAPPED,
                                  0, 0, 10, 10, nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    TScopedEnvironment notify(L"ZARVO_STANDIN_NOTIFY", L"Zarvo registration observer");
    observer::received = 0;

    EXPECT_TRUE(RegisterDllServer(folder_.File(L"Tornel.dll")));
    EXPECT_TRUE(UnregisterDllServer(folder_.File(L"Tornel.dll")));

    EXPECT_EQ(observer::received, 2);
    DestroyWindow(window);
}

TEST_F(DllRegistrationTest, AMissingEntryPointOrFileFails) {
    EXPECT_FALSE(UnregisterDllServer(folder_.File(L"Pelmar.dll")));
    EXPECT_FALSE(RegisterDllServer(folder_.File(L"Missing.dll")));
    EXPECT_FALSE(RegisterDllServer(folder_.File(L"Настройки.ini")));
    // A library with only DllRegisterServer can be called directly; the folder scan never lists it.
    EXPECT_TRUE(RegisterDllServer(folder_.File(L"Pelmar.dll")));
}

TEST_F(DllRegistrationTest, TheScanListsUpperCasedSelfRegisteringLibrariesOfTheFolderOnly) {
    // A folder of known name: the expected paths are written out in upper case.
    TScratchFolder folder(L"C:\\Program Files\\Zarvo Scan");
    ASSERT_TRUE(folder.CopyWholeProduct());
    // A subfolder is not entered, even one named like a library.
    std::wstring subfolder = folder.File(L"Модули.dll");
    ASSERT_TRUE(CreateDirectoryW(subfolder.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(folder.File(L"Tornel.dll").c_str(), (subfolder + L"\\Nested.dll").c_str(), TRUE));
    ASSERT_TRUE(CopyFileW(folder.File(L"Tornel.dll").c_str(), folder.File(L"Ярлык.dll").c_str(), TRUE));

    std::vector<std::wstring> list{L"KEPT"};
    FindSelfRegisteringDlls(folder.Path(), list);

    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.front(), L"KEPT") << "the scan appends";
    std::vector<std::wstring> found(list.begin() + 1, list.end());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::wstring>{L"C:\\PROGRAM FILES\\ZARVO SCAN\\KASTOR.DLL",
                                                L"C:\\PROGRAM FILES\\ZARVO SCAN\\SELVAR.DLL",
                                                L"C:\\PROGRAM FILES\\ZARVO SCAN\\TORNEL.DLL",
                                                L"C:\\PROGRAM FILES\\ZARVO SCAN\\ЯРЛЫК.DLL"}));

    std::vector<std::wstring> none;
    FindSelfRegisteringDlls(folder_.File(L"Missing"), none);
    EXPECT_TRUE(none.empty());
}

TEST_F(DllRegistrationTest, TheGuardedLoadRestoresErrorModeAndControlWord) {
    const std::wstring tornel = folder_.File(L"Tornel.dll");
    UINT callersMode = SEM_NOGPFAULTERRORBOX;
    UINT previous = SetErrorMode(callersMode);
    unsigned short word = ControlWord();

    HMODULE library = LoadLibraryWithErrorMode(tornel, SEM_FAILCRITICALERRORS, 0);
    EXPECT_NE(library, nullptr);
    EXPECT_EQ(ControlWord(), word);
    EXPECT_EQ(GetErrorMode(), callersMode);
    EXPECT_EQ(LoadLibraryWithErrorMode(folder_.File(L"Missing.dll"), SEM_FAILCRITICALERRORS, 0), nullptr);
    EXPECT_EQ(GetErrorMode(), callersMode);
    if (library != nullptr)
        FreeLibrary(library);
    SetErrorMode(previous);

    // The library really changes the word of a thread that loads it without the guard.
    unsigned short before = 0, after = 0;
    std::thread([&] {
        before = ControlWord();
        HMODULE unguarded = LoadLibraryExW(tornel.c_str(), nullptr, 0);
        after = ControlWord();
        if (unguarded != nullptr)
            FreeLibrary(unguarded);
    }).join();
    EXPECT_NE(before, after);
}

} // namespace
