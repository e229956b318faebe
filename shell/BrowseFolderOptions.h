#pragma once
// The folder dialog's options and the shell flags they stand for.

#include <windows.h>

#include <cstdint>
#include <initializer_list>

namespace zarvo {

enum class TBrowseFolderOption {
    boShowHelp,
    boContextHelp,
    boDirsOnly,
    boDontGoBelowDomain,
    boStatusText,
    boReturnFSAncestors,
    boEditBox,
    boValidate,
    boNewDialogStyle,
    boBrowseIncludeURLS,
    boBrowseForComputer,
    boBrowseForPrinter,
    boBrowseIncludeFiles,
    boShareable,
};
// The form and the tests name the options as the component's users always have: boDirsOnly, not
// TBrowseFolderOption::boDirsOnly.
using enum TBrowseFolderOption;

class TBrowseFolderOptions {
public:
    constexpr TBrowseFolderOptions() noexcept = default;
    constexpr TBrowseFolderOptions(std::initializer_list<TBrowseFolderOption> options) noexcept {
        for (TBrowseFolderOption option : options)
            Include(option);
    }

    constexpr bool Has(TBrowseFolderOption option) const noexcept { return (bits_ & Bit(option)) != 0; }
    constexpr TBrowseFolderOptions& Include(TBrowseFolderOption option) noexcept {
        bits_ |= Bit(option);
        return *this;
    }
    constexpr TBrowseFolderOptions& Exclude(TBrowseFolderOption option) noexcept {
        bits_ &= ~Bit(option);
        return *this;
    }
    constexpr bool operator==(const TBrowseFolderOptions&) const noexcept = default;

private:
    static constexpr uint16_t Bit(TBrowseFolderOption option) noexcept {
        return uint16_t(1u << unsigned(option));
    }
    uint16_t bits_ = 0;
};

// The BIF_* flags of the browse information for a set of options. boShowHelp and boContextHelp are the
// component's own and add none.
UINT BrowseInfoFlags(TBrowseFolderOptions options) noexcept;

} // namespace zarvo
