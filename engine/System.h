#pragma once
// The operations of the system that tests must be able to replace: what the machine cannot be made to
// give on demand (free space at one moment, a write that fails, time). Everything else the engine does
// through the real calls. DefaultSystem() holds the real ones.

#include "setup/RunningComponents.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace zarvo {

struct TSystem {
    // The free bytes on the drive of an existing folder; empty when the system does not say.
    std::function<std::optional<uint64_t>(const std::wstring& folder)> freeSpace;
    // Whether a file can be made in an existing folder.
    std::function<bool(const std::wstring& folder)> canWrite;
    std::function<void(DWORD milliseconds)> sleep;
    // How long running components are waited for.
    TCloseTimings closeTimings;
    // Called with each start-up file right after it is written, before it is held and verified (as
    // another process could change it there); empty: nothing.
    std::function<void(const std::wstring& fileName)> startupFileWritten;
    // The folder in which the one-pass unpacking makes its staging folder, for an installation into the
    // given folder.
    std::function<std::wstring(const std::wstring& installPath)> stagingParent;
};

// The real calls and the product's timings.
const TSystem& DefaultSystem();

} // namespace zarvo
