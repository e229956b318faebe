#include "common/CommonUtils.h"

#include "common/Handles.h"

namespace zarvo {

bool ExtractResourceToFile(const std::wstring& resourceName, const std::wstring& fileName) {
    HMODULE self = GetModuleHandleW(nullptr);
    // The loader matches resource names without regard to case.
    HRSRC info = FindResourceW(self, resourceName.c_str(), RT_RCDATA);
    if (info == nullptr)
        return false;
    HGLOBAL resource = LoadResource(self, info);
    DWORD size = SizeofResource(self, info);
    const void* bytes = resource ? LockResource(resource) : nullptr;
    if (bytes == nullptr)
        return false;

    THandle file(CreateFileW(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return false;
    // A short write (full disk) would leave a truncated library or archive behind that later fails in
    // confusing ways; it is a failure here.
    DWORD written = 0;
    return WriteFile(file.Get(), bytes, size, &written, nullptr) && written == size;
}

} // namespace zarvo
