#pragma once
// What the installation and removal runs show in the log, each text once.

#include "common/Product.h"

namespace zarvo {

// Installation.
inline constexpr wchar_t TextCreatingPath[] = L"Создание пути ";
inline constexpr wchar_t TextCannotCreatePath[] = L"Невозможно создать путь ";
inline constexpr wchar_t TextUnpacked[] = L" распакован успешно";
inline constexpr wchar_t TextCannotUnpack[] = L"Невозможно распаковать ";
inline constexpr wchar_t TextNotFound[] = L" не найден";
inline constexpr wchar_t TextCreatingShortcuts[] = L"Создание ярлыков";
inline constexpr wchar_t TextFinishingInstall[] = L"Завершение установки";
inline constexpr wchar_t TextInstallDone[] = L"Установка ПО \"Вирдана\" успешно завершена.";
inline constexpr wchar_t TextInstallDoneWithErrors[] = L"Установка ПО \"Вирдана\" завершена с ошибками.";
inline constexpr wchar_t TextNoInstallPath[] = L"Не указан путь для установки";
// wsprintfW: the megabytes needed, then the megabytes free.
inline constexpr wchar_t TextNoSpaceFormat[] = L"Недостаточно места на диске: нужно %lu МБ, доступно %lu МБ";
inline constexpr wchar_t TextPathTooLong[] = L"Путь для установки слишком длинный";
inline constexpr wchar_t TextNoAccess[] = L"Нет доступа к каталогу ";
inline constexpr wchar_t TextNoDrive1[] = L"Диск ";                   // + "Q:" +
inline constexpr wchar_t TextNoDrive2[] = L" не найден или не готов"; // a missing drive, an empty reader
// Refusals of an installation folder that the user's own programs could write or redirect.
inline constexpr wchar_t TextFolderRedirected[] = L"Папка установки является ссылкой на другую папку: ";
inline constexpr wchar_t TextFolderWritable[] =
    L"Программы пользователя могут добавлять и удалять файлы в папке установки или менять её права: ";
inline constexpr wchar_t TextFolderAboveMovable[] =
    L"Программы пользователя могут переименовать или заменить папку на пути к папке установки: ";
inline constexpr wchar_t TextFolderNotOwned[] =
    L"Папка установки принадлежит не администраторам, и программы пользователя могут подменить в ней файлы: ";
// The list of installed programs could not be given the product: + the file and the system's reason.
inline constexpr wchar_t TextNotListed[] = L"Программа не внесена в список установленных программ Windows: ";

// Removal.
inline constexpr wchar_t TextRemovingShortcut[] = L"Удаление ярлыка";
inline constexpr wchar_t TextDeleted[] = L" удален успешно";
inline constexpr wchar_t TextCannotDelete[] = L"Невозможно удалить ";
inline constexpr wchar_t TextFolder[] = L"Каталог ";
inline constexpr wchar_t TextCannotDeleteFolder[] = L"Нельзя удалить каталог ";
// The files of the list stay where the installation folder cannot be used: + the reason.
inline constexpr wchar_t TextFilesNotDeleted[] = L"Файлы программы не удалены: ";
inline constexpr wchar_t TextFinishingRemoval[] = L"Завершение удаления";
inline constexpr wchar_t TextRemovalDone[] = L"Удаление ПО \"Вирдана\" успешно завершено.";
inline constexpr wchar_t TextRemovalDoneWithErrors[] = L"Удаление ПО \"Вирдана\" завершено с ошибками.";

} // namespace zarvo
