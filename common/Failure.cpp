#include "common/Failure.h"

#include "common/SetupError.h"

namespace zarvo {

TFailure SystemFailure(DWORD code, const std::wstring& subject) {
    return {code, subject + L": " + SystemErrorText(code)};
}

TFailure LastErrorFailure(const std::wstring& subject) {
    return SystemFailure(GetLastError(), subject);
}

} // namespace zarvo
