#include "shell/BrowseFolderOptions.h"

#include <shlobj.h>

namespace zarvo {

namespace {

struct TOptionFlag {
    TBrowseFolderOption option;
    UINT flag;
};

constexpr TOptionFlag OptionFlags[] = {
    {boDirsOnly, BIF_RETURNONLYFSDIRS},
    {boDontGoBelowDomain, BIF_DONTGOBELOWDOMAIN},
    {boStatusText, BIF_STATUSTEXT},
    {boReturnFSAncestors, BIF_RETURNFSANCESTORS},
    {boEditBox, BIF_EDITBOX},
    {boValidate, BIF_VALIDATE},
    {boNewDialogStyle, BIF_NEWDIALOGSTYLE},
    {boBrowseIncludeURLS, BIF_BROWSEINCLUDEURLS},
    {boBrowseForComputer, BIF_BROWSEFORCOMPUTER},
    {boBrowseForPrinter, BIF_BROWSEFORPRINTER},
    {boBrowseIncludeFiles, BIF_BROWSEINCLUDEFILES},
    {boShareable, BIF_SHAREABLE},
};

} // namespace

UINT BrowseInfoFlags(TBrowseFolderOptions options) noexcept {
    UINT flags = 0;
    for (const TOptionFlag& entry : OptionFlags)
        if (options.Has(entry.option))
            flags |= entry.flag;
    return flags;
}

} // namespace zarvo
