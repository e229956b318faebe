#pragma once
// The display name the folder dialog's selection-change event reports for an item.

#include <string>

namespace zarvo {

// The shell's display name of the item, or its file-system path when the shell gives none. A name that
// is the whole path becomes the path's last component, the way the tree shows a folder; a drive or share
// root ("C:\"), whose last component is empty, keeps the path.
std::wstring SelectionDisplayName(const std::wstring& folder, const std::wstring& shellName);

} // namespace zarvo
