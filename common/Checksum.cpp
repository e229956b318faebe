#include "common/Checksum.h"

#include <windows.h>

namespace zarvo {

uint32_t Crc32(std::string_view bytes) {
    using TRtlComputeCrc32 = DWORD(WINAPI*)(DWORD, const BYTE*, INT);
    static const auto compute = reinterpret_cast<TRtlComputeCrc32>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlComputeCrc32")));
    return compute(0, reinterpret_cast<const BYTE*>(bytes.data()), INT(bytes.size()));
}

} // namespace zarvo
