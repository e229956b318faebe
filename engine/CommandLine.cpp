#include "engine/CommandLine.h"

#include "common/Handles.h"
#include "common/Text.h"

#include <windows.h>
#include <shellapi.h>

namespace zarvo {

namespace {

// The value of "/name=value" when the argument has that name, compared without regard to case.
std::optional<std::wstring> ValueOf(const std::wstring& argument, const std::wstring& name) {
    std::wstring prefix = name + L"=";
    if (argument.size() < prefix.size() || !SameText(argument.substr(0, prefix.size()), prefix))
        return std::nullopt;
    return argument.substr(prefix.size());
}

} // namespace

const wchar_t* const CommandLineHelp =
    L"SetupZarvo.exe [/silent] [/dir=ПУТЬ] [/autoreinstall] [/remove] [/check] [/log=ФАЙЛ] [/auto] "
    L"[/help]\r\n\r\n"
    L"/silent — установка без окон и вопросов; если Zarvo уже установлен — переустановка\r\n"
    L"/dir=ПУТЬ — каталог новой установки (по умолчанию Program Files\\Zarvo)\r\n"
    L"/autoreinstall — автоматически переустанавливать при новых версиях дистрибутива\r\n"
    L"/remove — вместе с /silent: удаление Zarvo\r\n"
    L"/check — только проверить, ничего не меняя\r\n"
    L"/log=ФАЙЛ — журнал установки (по умолчанию SetupZarvo.log во временном каталоге)\r\n"
    L"/auto — первым параметром: автоматическая переустановка установленного Zarvo\r\n"
    L"/help, /? — эта справка\r\n\r\n"
    L"Коды завершения /silent: 0 — выполнено без ошибок, 1 — при выполнении были ошибки, "
    L"прочие — отказ до каких-либо изменений.";

std::vector<std::wstring> CommandLineArguments(const std::wstring& commandLine) {
    int count = 0;
    const TLocalMemory split(CommandLineToArgvW(commandLine.c_str(), &count));
    const auto* arguments = static_cast<const LPWSTR*>(split.Get());
    std::vector<std::wstring> result;
    for (int i = 1; arguments != nullptr && i < count; ++i)
        result.emplace_back(arguments[i]);
    return result;
}

bool FirstArgumentIsAuto(const std::wstring& commandLine) {
    std::vector<std::wstring> arguments = CommandLineArguments(commandLine);
    return !arguments.empty() && SameText(arguments.front(), L"/auto");
}

TCommandLine ParseCommandLine(const std::wstring& commandLine) {
    TCommandLine result;
    for (const std::wstring& argument : CommandLineArguments(commandLine)) {
        if (SameText(argument, L"/silent"))
            result.silent = true;
        else if (SameText(argument, L"/remove"))
            result.remove = true;
        else if (SameText(argument, L"/check"))
            result.check = true;
        else if (SameText(argument, L"/autoreinstall"))
            result.autoReinstall = true;
        else if (SameText(argument, L"/help") || argument == L"/?")
            result.help = true;
        else if (SameText(argument, L"/auto"))
            continue; // the unattended reinstall's own switch
        else if (std::optional<std::wstring> folder = ValueOf(argument, L"/dir"))
            result.folder = *folder;
        else if (std::optional<std::wstring> file = ValueOf(argument, L"/log"))
            result.logFile = *file;
        else
            result.unknown.push_back(argument);
    }
    return result;
}

} // namespace zarvo
