#include "engine/InstallPathCheck.h"

#include <cwctype>
#include <string_view>

namespace zarvo {

namespace {

bool IsFullLocalPath(const std::wstring& path) {
    return path.size() >= 3 && std::iswalpha(path[0]) && path[0] < 0x80 && path[1] == L':' &&
           (path[2] == L'\\' || path[2] == L'/');
}

bool HasForbiddenCharacters(const std::wstring& path) {
    for (size_t i = 2; i < path.size(); ++i) {
        wchar_t c = path[i];
        if (c < 32 || std::wstring_view(L"<>:\"|?*").find(c) != std::wstring_view::npos)
            return true;
    }
    return false;
}

} // namespace

bool CheckInstallPath(const std::wstring& path, TReporter& reporter) {
    auto Refuse = [&](const wchar_t* text) {
        reporter.Error(text);
        return false;
    };
    if (path.empty())
        return Refuse(L"Путь для установки не указан");
    if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\')
        return Refuse(L"Невозможно использовать сетевой путь для запуска программ");
    if (!IsFullLocalPath(path))
        return Refuse(L"Укажите полный путь для установки, например C:\\Program Files\\Zarvo");
    if (HasForbiddenCharacters(path))
        return Refuse(L"Путь для установки содержит недопустимые символы");
    return true;
}

} // namespace zarvo
