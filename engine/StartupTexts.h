#pragma once
// What the start-up reports: each failure ends the program with its box.

#include "common/Product.h"

namespace zarvo {

inline constexpr wchar_t TextCannotExtract[] = L"Невозможно извлечь "; // + file + " в " + folder
inline constexpr wchar_t TextExtractInto[] = L" в ";
inline constexpr wchar_t TextCannotMakeOwnFolder[] =
    L"Невозможно создать защищённую папку для файлов установки в ";
inline constexpr wchar_t TextCannotLoadUnrar[] = L"Невозможно загрузить библиотеку Unrar.dll";
// A second start while a setup runs on the machine; it ends having changed nothing.
inline constexpr wchar_t TextSetupDamaged[] = L"Файл установки повреждён: загрузите SetupZarvo.exe заново";
inline constexpr wchar_t TextSetupAlreadyRunning[] = L"Установка Zarvo уже запущена";

} // namespace zarvo
