#include "common/UnitStartup.h"
#include "common/CommonTexts.h"
#include "common/FileInfo.h"
#include "common/Folders.h"
#include "common/Libraries.h"
#include "common/Reporting.h"
#include "common/Text.h"

#include "common/Handles.h"
#include "common/SetupError.h"

#include <vector>

namespace zarvo {

std::wstring ModulePath;
std::wstring ModuleVersionText;
std::wstring HeapInfoText;
ULONG HeapCompatibility = 2;

THeapQueryInformation HeapQueryInformationFn = nullptr;
THeapSetInformation HeapSetInformationFn = nullptr;
TStrCmpLogicalW StrCmpLogicalWFn = nullptr;
TUuidCreate UuidCreateFn = nullptr;

namespace {

TModule kernel32;
TModule rpcrt4;
TModule shlwapi;

template <typename Function> Function Bind(const TModule& module, const char* name) {
    if (!module.Valid())
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module.Get(), name)));
}

std::wstring ExecutablePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

void SetLowFragmentationHeap() {
    HeapQueryInformationFn = Bind<THeapQueryInformation>(kernel32, "HeapQueryInformation");
    HeapSetInformationFn = Bind<THeapSetInformation>(kernel32, "HeapSetInformation");
    if (HeapQueryInformationFn == nullptr) {
        HeapInfoText = L"unknown";
        return;
    }
    HANDLE heap = GetProcessHeap();
    if (HeapSetInformationFn != nullptr)
        HeapSetInformationFn(heap, HeapCompatibilityInformation, &HeapCompatibility,
                             sizeof(HeapCompatibility));
    if (!HeapQueryInformationFn(heap, HeapCompatibilityInformation, &HeapCompatibility,
                                sizeof(HeapCompatibility), nullptr))
        return;
    switch (HeapCompatibility) {
    case 0:
        HeapInfoText = L"the heap is a standard heap that does not support look-asides";
        break;
    case 1:
        HeapInfoText = L"the heap supports look-asides";
        break;
    case 2:
        HeapInfoText = L"the heap is a low-fragmentation heap (LFH)";
        break;
    default:
        break;
    }
}

} // namespace

std::wstring BuildModuleVersionText(const std::wstring& fileName) {
    uint16_t major = 0, minor = 0, release = 0, build = 0;
    if (!ReadFileVersion(fileName, major, minor, release, build))
        return TextNoVersion;
    return TextVersion + DecimalText(major) + L"." + DecimalText(minor) + L"." + DecimalText(release) + L"." +
           DecimalText(build) + TextVersionOf + FormatShortDate(GetFileDate(fileName));
}

void CommonUtilsStartup() {
    kernel32.Reset(LoadSystemLibrary(L"Kernel32.DLL"));
    if (!kernel32.Valid())
        throw ESetupError(L"Kernel32.DLL not found");
    SetLowFragmentationHeap();

    OnReportError = nullptr;
    OnReportInfo = nullptr;

    ModulePath = ResolveSubstPath(ExecutablePath());
    ModuleVersionText = BuildModuleVersionText(ModulePath);

    rpcrt4.Reset(LoadSystemLibrary(L"RPCRT4.DLL"));
    if (!rpcrt4.Valid())
        throw ESetupError(L"RPCRT4.DLL not found");
    shlwapi.Reset(LoadSystemLibrary(L"Shlwapi.DLL"));
    StrCmpLogicalWFn = Bind<TStrCmpLogicalW>(shlwapi, "StrCmpLogicalW");

    // Sequential UUIDs exist from Windows 2000 on; every supported system has them.
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    bool sequential = GetVersionExW(&version) && version.dwMajorVersion >= 5;
#pragma GCC diagnostic pop
    UuidCreateFn = Bind<TUuidCreate>(rpcrt4, sequential ? "UuidCreateSequential" : "UuidCreate");
}

void CommonUtilsShutdown() {
    HeapQueryInformationFn = nullptr;
    HeapSetInformationFn = nullptr;
    StrCmpLogicalWFn = nullptr;
    UuidCreateFn = nullptr;
    kernel32.Reset();
    rpcrt4.Reset();
    shlwapi.Reset();
    HeapInfoText.clear();
    ModuleVersionText.clear();
    ModulePath.clear();
}

} // namespace zarvo
