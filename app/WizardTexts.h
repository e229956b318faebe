#pragma once
// What the wizard's pages and boxes say, each text once.

namespace zarvo {

// The captions of the form's layout, page by page.
inline constexpr wchar_t TextWelcome[] = L"Добро пожаловать в программу  Zarvo !";
inline constexpr wchar_t TextWelcomeHint[] =
    L"- Для продолжения установки нажмите кнопку \"Вперед\". \r\n\r\n"
    L"- Для выхода из программы установки нажмите кнопку \"Отмена\".";
inline constexpr wchar_t TextCopyright[] = L"© 2005 Varnex";
inline constexpr wchar_t TextWelcomeSpacer[] = L"    ";
inline constexpr wchar_t TextChangeInstallation[] = L"    Изменние текущей установка";
inline constexpr wchar_t TextRestore[] = L"Восстановить. Обновить.";
inline constexpr wchar_t TextRestoreHint[] =
    L"Восстановление или обновление установки до исходного состояния.";
inline constexpr wchar_t TextAutoReinstall[] =
    L"Автоматически переустанавливать систему при появлении новых версий дистрибутива";
inline constexpr wchar_t TextRemove[] = L"Удалить.";
inline constexpr wchar_t TextRemoveHint[] = L"Удаление Zarvo с этого компьютера.";
inline constexpr wchar_t TextPathPrompt[] = L"Укажите путь для программы:";
inline constexpr wchar_t TextPickDirectory[] = L"Выбрать";
inline constexpr wchar_t TextCancelButton[] = L"Отмена";
inline constexpr wchar_t TextBackButton[] = L"<< Назад";
inline constexpr wchar_t TextForwardButton[] = L"Вперед >>";
// A control the code asks for that the layout does not describe: a fault of the program itself.
inline constexpr wchar_t TextNoLayoutItem[] = L"Элемента нет в описании главного окна";

inline constexpr wchar_t TextEdition[] = L"Демонстрационная версия";

inline constexpr wchar_t TextFinishButton[] = L"Завершить";
inline constexpr wchar_t TextCancelQuestion[] = L"Вы действительно хотите прервать установку?";
inline constexpr wchar_t TextCancelCaption[] = L"Установка";
inline constexpr wchar_t TextComponentsRunning[] =
    L"Переустановка системы не выполнена. Перед её выполнением необходимо закрыть все компоненты Zarvo";
inline constexpr wchar_t TextAutoCaption[] = L"Автопереустановка Zarvo";
inline constexpr wchar_t TextAutoDone[] =
    L"Автопереустановка выполнена успешно. Для начала работы, пожалуйста, запустите программу ещё раз...";
inline constexpr wchar_t TextAutoFailed[] = L"Автопереустановка Zarvo не выполнена: при установке произошли "
                                            L"ошибки. Подробности в журнале на экране установки.";
// A window of the form that cannot be made ends the start.
inline constexpr wchar_t TextCannotLoadPicture[] = L"Невозможно загрузить рисунок ";
inline constexpr wchar_t TextCannotScalePicture[] = L"Невозможно масштабировать рисунок ";
inline constexpr wchar_t TextCannotRegisterClasses[] = L"Невозможно зарегистрировать классы окон. ";
inline constexpr wchar_t TextCannotCreateWindow[] = L"Невозможно создать главное окно. ";
inline constexpr wchar_t TextCannotCreateControl[] = L"Невозможно создать элемент ";
inline constexpr wchar_t TextCannotCreateFont[] = L"Невозможно создать шрифт ";
// A loader that cannot keep library searches to the system folder: the start is refused.
inline constexpr wchar_t TextLoaderTooOld[] =
    L"Для установки нужна Windows 7 с обновлением KB2533623 или более новая Windows.";
inline constexpr wchar_t TextFolderDialogTitle[] = L"Выбор каталога";
inline constexpr wchar_t TextFolderDialogHeadline[] = L"Укажите каталог для Zarvo";

} // namespace zarvo
