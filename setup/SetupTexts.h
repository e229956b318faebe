#pragma once
// Fixed phrases of the setup's reports that are joined with a subject (a path or a library name).

namespace zarvo {

// "Невозможно загрузить " + library + ": " + the system's text of the load's error code
inline constexpr wchar_t CannotLoadLibraryText[] = L"Невозможно загрузить ";
// ... + one of these + the missing library names, comma separated
inline constexpr wchar_t MissingLibraryText[] = L"; не найдена библиотека ";
inline constexpr wchar_t MissingLibrariesText[] = L"; не найдены библиотеки ";
// Registration and unregistration of the product's components.
inline constexpr wchar_t TextCannotOpenKey[] = L"Ошибка открытия ";
inline constexpr wchar_t TextRegistering[] = L"Регистрация Zarvo";
inline constexpr wchar_t TextUnregistering[] = L"Разрегистрация Zarvo";
inline constexpr wchar_t TextRegistered[] = L" зарегистрирован успешно";
inline constexpr wchar_t TextUnregistered[] = L" разрегистрирован успешно";
inline constexpr wchar_t TextNotRegistered[] = L" не зарегистрирован";
inline constexpr wchar_t TextNotUnregistered[] = L" не разрегистрирован";
inline constexpr wchar_t TextTypeLibFailed[] = L"Регистрация TLB: ";
inline constexpr wchar_t TextClassFailed[] = L"Регистрация AxApplication: ";
inline constexpr wchar_t TextUnregistration[] = L"Разрегистрация ";
inline constexpr wchar_t TextClassUnregistrationFailed[] = L"Разрегистрация AxApplication: ";
inline constexpr wchar_t TextClassName[] = L"AxApplication";

// The shell's link object cannot be saved to a file.
inline constexpr wchar_t TextInterfaceNotSupported[] = L"Интерфейс не поддерживается";

} // namespace zarvo
