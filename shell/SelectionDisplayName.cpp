#include "shell/SelectionDisplayName.h"

#include "common/Text.h"

namespace zarvo {

std::wstring SelectionDisplayName(const std::wstring& folder, const std::wstring& shellName) {
    const std::wstring& display = shellName.empty() ? folder : shellName;
    if (!SameText(display, folder))
        return display;
    size_t separator = folder.rfind(L'\\');
    if (separator == std::wstring::npos || separator + 1 == folder.size())
        return display;
    return folder.substr(separator + 1);
}

} // namespace zarvo
