#pragma once
// Fixed phrases of the setup's reports that are joined with a subject (a path or a library name).

namespace zarvo {

// "Невозможно загрузить " + library + ": " + the system's text of the load's error code
inline constexpr wchar_t CannotLoadLibraryText[] = L"Невозможно загрузить ";
// ... + one of these + the missing library names, comma separated
inline constexpr wchar_t MissingLibraryText[] = L"; не найдена библиотека ";
inline constexpr wchar_t MissingLibrariesText[] = L"; не найдены библиотеки ";
// The shell's link object cannot be saved to a file.
inline constexpr wchar_t TextInterfaceNotSupported[] = L"Интерфейс не поддерживается";

} // namespace zarvo
