#pragma once
// One setup at a time on the machine. Two wizards would share the start-up files in the temporary folder
// and the installation they change, so the second one ends before it prepares anything.

#include "common/Handles.h"

namespace zarvo {

// A mutex in the global namespace, so that a setup in another user's session counts too. Owned from
// construction to destruction by the thread that made the object.
class TSetupLock {
public:
    TSetupLock() noexcept;
    TSetupLock(const TSetupLock&) = delete;
    TSetupLock& operator=(const TSetupLock&) = delete;
    ~TSetupLock();

    // True when another setup holds the machine: this one must leave everything as it is.
    bool OtherSetupRuns() const noexcept { return otherRuns_; }

private:
    THandle mutex_;
    bool owned_ = false;
    bool otherRuns_ = false;
};

} // namespace zarvo
