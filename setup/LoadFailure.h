#pragma once
// Saying why a library could not be loaded: the system's error text and the libraries it needs that are
// nowhere the loader looks.

#include <windows.h>

#include <string>
#include <vector>

namespace zarvo {

// API-set names (api-ms-win-*, ext-ms-*) are resolved by the loader itself and have no file of their own.
bool IsApiSetName(const std::wstring& name);

// The libraries the library imports, itself or through the libraries beside it, that lie neither beside
// it nor in the system folder; in the order found, each once. Empty when its import table cannot be read.
std::vector<std::wstring> MissingImports(const std::wstring& libraryPath);

// "Невозможно загрузить <library>: <system text>", followed by the missing imports when there are any.
std::wstring LoadFailureText(const std::wstring& libraryPath, DWORD error);

} // namespace zarvo
