#pragma once
// The operations of the system that tests must be able to replace: what the machine cannot be made to
// give on demand (free space at one moment, time, a start-up file changed by another process at one
// exact moment). Everything else the engine does through the real calls. The base class makes the real
// calls; a test overrides what it needs.

#include "archive/DistUnpack.h"
#include "setup/RunningComponents.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace zarvo {

class TSystem : public TPlacementFaults {
public:
    virtual ~TSystem() = default;

    // The free bytes on the drive of an existing folder; empty when the system does not say.
    virtual std::optional<uint64_t> FreeSpace(const std::wstring& folder) const;
    // Whether a file can be made in an existing folder.
    virtual bool CanWrite(const std::wstring& folder) const;
    virtual void Wait(DWORD milliseconds) const;
    // Called with each start-up file right after it is written, before it is held and verified.
    virtual void StartupFileWritten(const std::wstring& fileName) const;
    // Whether writing an unpacked file (staged or in place) fails as on a full drive; never, for real.
    bool PlacementFails(const std::wstring& destination) const override;

    // How long running components are waited for.
    TCloseTimings closeTimings;
};

// The real calls and the product's timings.
const TSystem& DefaultSystem();

} // namespace zarvo
