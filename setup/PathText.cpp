#include "setup/PathText.h"

namespace zarvo {

std::wstring WithoutTrailingBackslash(const std::wstring& folder) {
    if (!folder.empty() && folder.back() == L'\\')
        return folder.substr(0, folder.size() - 1);
    return folder;
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && folder.back() == L'\\')
        return folder + name;
    return folder + L"\\" + name;
}

} // namespace zarvo
