#include "common/Resources.h"

#include "common/PlainFiles.h"

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

THandle ExtractResourceToFile(const std::wstring& resourceName, const std::wstring& fileName) {
    std::optional<std::string_view> bytes = ResourceData(resourceName);
    return bytes ? WritePlainFile(fileName, *bytes) : THandle();
}

} // namespace zarvo
