#include "common/Checksum.h"

#include <windows.h>

namespace zarvo {

namespace {

// Looked up at start-up (ntdll is in every process), so that threads asking at once need no guard.
using TRtlComputeCrc32 = DWORD(WINAPI*)(DWORD, const BYTE*, INT);
const TRtlComputeCrc32 ComputeCrc32 = reinterpret_cast<TRtlComputeCrc32>(
    reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlComputeCrc32")));

} // namespace

uint32_t Crc32(std::string_view bytes) {
    return ComputeCrc32(0, reinterpret_cast<const BYTE*>(bytes.data()), INT(bytes.size()));
}

} // namespace zarvo
