#include "engine/SetupLock.h"

#include "common/Folders.h"
#include "common/Product.h"

namespace zarvo {

namespace {

// The namespace and the mutex in it: SYSTEM (a deployment tool's silent run) and administrators alike.
constexpr wchar_t AdministratorsOnly[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";

} // namespace

bool TSetupLock::InPrivateNamespace() noexcept {
    // Windows has them all from Vista on. Wine (8.0) exports none but a stub of CreateBoundaryDescriptorW,
    // so one missing function means none works.
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    for (const char* name :
         {"CreateBoundaryDescriptorW", "AddSIDToBoundaryDescriptor", "DeleteBoundaryDescriptor",
          "CreatePrivateNamespaceW", "OpenPrivateNamespaceW", "ClosePrivateNamespace"})
        if (GetProcAddress(kernel, name) == nullptr)
            return false;
    return true;
}

// What access denied means here: from CreatePrivateNamespaceW, that this process is outside the boundary
// (not an elevated administrator). Such a process can neither take nor see the lock; it goes on unguarded
// rather than be told forever that a setup runs, and an elevated setup trusts nothing it can write anyway.
// From OpenPrivateNamespaceW, that the namespace exists and refuses us: only an administrator's program
// can have made it, so another setup holds it.
bool TSetupLock::EnterNamespace(SECURITY_ATTRIBUTES& attributes) noexcept {
    boundary_.Reset(CreateBoundaryDescriptorW(SetupLockBoundaryName, 0));
    BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(administrators);
    if (!boundary_ || !CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size))
        return false;
    // The call may move the descriptor to grow it.
    HANDLE descriptor = boundary_.Release();
    const bool added = AddSIDToBoundaryDescriptor(&descriptor, administrators);
    boundary_.Reset(descriptor);
    if (!added)
        return false;
    // The namespace goes with its last handle: one that exists at the making can be gone at the opening.
    for (int attempt = 0; attempt < 3 && !namespace_; ++attempt) {
        namespace_.Reset(CreatePrivateNamespaceW(&attributes, boundary_.Get(), SetupLockNamespaceAlias));
        if (namespace_ || GetLastError() != ERROR_ALREADY_EXISTS)
            break;
        namespace_.Reset(OpenPrivateNamespaceW(boundary_.Get(), SetupLockNamespaceAlias));
        if (!namespace_ && GetLastError() == ERROR_ACCESS_DENIED) {
            otherRuns_ = true;
            break;
        }
    }
    return namespace_.Valid();
}

TSetupLock::TSetupLock() noexcept {
    const TLocalMemory access = SecurityDescriptorFrom(AdministratorsOnly);
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), access.Get(), FALSE};
    // Without the functions (never on Windows: kernel32 is the system's own) the global name, as before.
    const bool inNamespace = InPrivateNamespace();
    if (inNamespace && !EnterNamespace(attributes))
        return;
    mutex_.Reset(CreateMutexW(inNamespace ? &attributes : nullptr, FALSE,
                              inNamespace ? SetupLockName : SetupLockGlobalName));
    if (!mutex_) {
        // Access denied: a mutex of the name exists that this process may not wait on, made by another
        // setup (in the namespace only administrators and SYSTEM can make one; in the global namespace
        // another user's setup). Any other failure, here or above, leaves the machine unguarded rather than
        // the setup unable to start at all.
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
