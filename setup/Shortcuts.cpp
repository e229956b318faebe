#include "setup/Shortcuts.h"

#include "setup/SetupTexts.h"

#include "common/SpecialFolders.h"
#include "common/Handles.h"
#include "common/SetupError.h"
#include "common/PathText.h"

#include <objidl.h>
#include <shobjidl.h>
#include <wrl/client.h>

namespace zarvo {

using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t ShortcutExtension[] = L".lnk";

} // namespace

HRESULT SaveShellLink(const TShellLink& link, const std::wstring& path) {
    ComPtr<IShellLinkW> shellLink;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                      reinterpret_cast<void**>(shellLink.GetAddressOf()));
    if (FAILED(result))
        return result;

    shellLink->SetArguments(link.arguments.c_str());
    shellLink->SetShowCmd(link.showCommand);
    shellLink->SetWorkingDirectory(link.workingFolder.c_str());
    shellLink->SetPath(link.target.c_str());
    shellLink->SetDescription(link.description.c_str());
    shellLink->SetHotkey(link.hotKey);
    shellLink->SetIconLocation(link.iconLocation.c_str(), link.iconIndex);

    ComPtr<IPersistFile> file;
    if (FAILED(shellLink.As(&file)))
        return E_NOINTERFACE;

    // A longer path is refused rather than written where the shell and older programs cannot open it.
    if (path.size() > MaxShortcutPath)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    return file->Save(path.c_str(), TRUE);
}

HRESULT CreateShellLinkInFolder(const TShellLink& link, int csidl, const std::wstring& fileName) {
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list)))
        return E_INVALIDARG;
    std::wstring folder = ItemIDListPath(list);
    FreeItemIDList(list);
    if (folder.empty())
        return E_INVALIDARG;
    return SaveShellLink(link, JoinPath(folder, fileName));
}

void CreateShortcut(const std::wstring& target, const std::wstring& workingFolder, const std::wstring& name,
                    int csidl) {
    TComInit com;
    TShellLink link;
    link.workingFolder = workingFolder;
    link.target = target;
    // A link object that cannot be saved at all is an error of the system, not of this shortcut.
    if (CreateShellLinkInFolder(link, csidl, name + ShortcutExtension) == E_NOINTERFACE)
        throw ESetupError(TextInterfaceNotSupported);
}

void DeleteShortcut(const std::wstring& name, int csidl) {
    TComInit com;
    std::wstring folder = GetSpecialFolderPath(csidl);
    if (!folder.empty())
        DeleteFileW(JoinPath(folder, name + ShortcutExtension).c_str());
}

} // namespace zarvo
