#include "engine/SetupLock.h"

#include "common/Product.h"

namespace zarvo {

TSetupLock::TSetupLock() noexcept : mutex_(CreateMutexW(nullptr, FALSE, SetupLockName)) {
    if (!mutex_.Valid()) {
        // Access denied: another user's setup made it. Any other failure leaves the machine unguarded
        // rather than the setup unable to start at all.
        otherRuns_ = GetLastError() == ERROR_ACCESS_DENIED;
        return;
    }
    // Ownership rather than mere existence: a second start's short-lived handle keeps the object alive,
    // and a setup that was killed leaves it abandoned, free for the next one.
    const DWORD wait = WaitForSingleObject(mutex_.Get(), 0);
    owned_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    otherRuns_ = !owned_;
}

TSetupLock::~TSetupLock() {
    if (owned_)
        ReleaseMutex(mutex_.Get());
}

} // namespace zarvo
