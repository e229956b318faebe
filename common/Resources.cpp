#include "common/Resources.h"

#include "common/Handles.h"

#include <windows.h>

namespace zarvo {

std::optional<std::string_view> ResourceData(const std::wstring& resourceName) {
    HMODULE self = GetModuleHandleW(nullptr);
    // The loader matches resource names without regard to case.
    HRSRC info = FindResourceW(self, resourceName.c_str(), RT_RCDATA);
    if (info == nullptr)
        return std::nullopt;
    HGLOBAL resource = LoadResource(self, info);
    const void* bytes = resource ? LockResource(resource) : nullptr;
    if (bytes == nullptr)
        return std::nullopt;
    return std::string_view(static_cast<const char*>(bytes), SizeofResource(self, info));
}

bool ExtractResourceToFile(const std::wstring& resourceName, const std::wstring& fileName) {
    std::optional<std::string_view> bytes = ResourceData(resourceName);
    if (!bytes)
        return false;
    THandle file(CreateFileW(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return false;
    // A short write (full disk) would leave a truncated library or archive behind that later fails in
    // confusing ways; it is a failure here.
    DWORD written = 0;
    return WriteFile(file.Get(), bytes->data(), DWORD(bytes->size()), &written, nullptr) &&
           written == bytes->size();
}

} // namespace zarvo
