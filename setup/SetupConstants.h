#pragma once
// Names, identifiers and registry locations of the product that the setup relies on.

#include <windows.h>

namespace zarvo {

// --- Installation state (HKEY_LOCAL_MACHINE; the leading backslash makes the paths absolute) ---

inline constexpr wchar_t InstallKey[] = L"\\Software\\VARNEX_SRV.INI\\Install";
inline constexpr wchar_t ProductKey[] = L"\\Software\\VARNEX_SRV.INI\\Install\\Вирдана";

// --- Files of the installation folder ---

inline constexpr wchar_t KernelTypeLibFile[] = L"ZarvoKernel.tlb";
inline constexpr wchar_t KernelServerFile[] = L"ZarvoKernel.exe";
// Registered before every other library and unregistered after them.
inline constexpr wchar_t ConfigLibraryFile[] = L"Tornel.dll";

// --- COM identities of the kernel server ---

// The type library's identifier, which is also the kernel server's AppID.
inline constexpr wchar_t KernelTypeLibId[] = L"{4A9D62C1-E873-4B25-8F1E-6D0B93A5C2E7}";
inline constexpr wchar_t AxApplicationClassId[] = L"{7E3C19A2-5B84-4F0D-9A61-C2D84E7B3F05}";
inline constexpr wchar_t AxApplicationProgId[] = L"Zarvo.AxApplication.1";
inline constexpr wchar_t AxApplicationIndependentProgId[] = L"Zarvo.AxApplication";
inline constexpr wchar_t AxApplicationDescription[] = L"AxApplication Class";
inline constexpr wchar_t KernelAppIdDescription[] = L"Zarvo";

// --- Running programs of the product, found by their windows ---

inline constexpr wchar_t KernelWindowTitle[] = L"ZarvoKernel";
inline constexpr WPARAM KernelUnloadCommand = 32771;
inline constexpr wchar_t ServiceWindowTitle[] = L"Varnex Service";

// --- Report captions ---

inline constexpr wchar_t InfoCaption[] = L"Сообщение";
inline constexpr wchar_t ErrorCaption[] = L"Ошибка";

} // namespace zarvo
