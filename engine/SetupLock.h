#pragma once
// One setup at a time on the machine. Two wizards would share the start-up files in the temporary folder
// and the installation they change, so the second one ends before it prepares anything.

#include "common/Handles.h"

namespace zarvo {

// A mutex in a private namespace that only administrators and SYSTEM can make or open, so that a setup in
// another user's session counts too and no unelevated program can hold the name first (any user may make
// any name in the global namespace). Owned from construction to destruction by the thread that made the
// object; the namespace and its boundary are held as long.
class TSetupLock {
public:
    TSetupLock() noexcept;
    TSetupLock(const TSetupLock&) = delete;
    TSetupLock& operator=(const TSetupLock&) = delete;
    ~TSetupLock();

    // True when another setup holds the machine: this one must leave everything as it is.
    bool OtherSetupRuns() const noexcept { return otherRuns_; }

    // False where the system has no private namespaces (Wine): the lock is then the mutex of the global
    // name, which any program can take first.
    static bool InPrivateNamespace() noexcept;

private:
    bool EnterNamespace(SECURITY_ATTRIBUTES& attributes) noexcept;

    TBoundaryDescriptor boundary_;
    TPrivateNamespace namespace_;
    THandle mutex_;
    bool owned_ = false;
    bool otherRuns_ = false;
};

} // namespace zarvo
