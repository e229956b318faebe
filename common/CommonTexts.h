#pragma once
// The common unit's texts that can reach a user, through an error raised by a helper.

namespace zarvo {

inline constexpr wchar_t TextNoKeyOpen[] = L"Раздел реестра не открыт для значения ";
inline constexpr wchar_t TextCannotReadValue[] = L"Невозможно прочитать значение ";
inline constexpr wchar_t TextWrongValueType[] = L"Неверный тип данных значения ";
inline constexpr wchar_t TextCannotWriteValue[] = L"Невозможно записать значение ";
inline constexpr wchar_t TextCannotOpenFile[] = L"Невозможно открыть файл ";
inline constexpr wchar_t TextCannotReadFile[] = L"Невозможно прочитать файл ";
inline constexpr wchar_t TextUnknownError[] = L"Неизвестная ошибка";
// The status of a line in the log file.
inline constexpr wchar_t TextLogError[] = L"ошибка    ";
inline constexpr wchar_t TextLogInfo[] = L"сообщение ";
inline constexpr wchar_t TextLogFileRefused[] = L"Журнал не записывается в файл ";
// The version line of the running program.
inline constexpr wchar_t TextNoVersion[] = L"Информация о версии отсутствует";
inline constexpr wchar_t TextVersion[] = L"версия ";
inline constexpr wchar_t TextVersionOf[] = L" от ";
// Followed by the system's error code when the system has no text for it.
inline constexpr wchar_t TextErrorCode[] = L"Ошибка ";

} // namespace zarvo
