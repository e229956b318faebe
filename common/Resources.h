#pragma once
// The RCDATA resources the executable carries.

#include "common/Handles.h"

#include <optional>
#include <string>
#include <string_view>

namespace zarvo {

// Writes the raw bytes of an RCDATA resource of the executable (name matched without regard to case)
// as the whole content of a plain file (WritePlainFile) and keeps it held. Invalid when the resource is
// missing, the file cannot be created or is a link, or the bytes cannot be written in full.
THandle ExtractResourceToFile(const std::wstring& resourceName, const std::wstring& fileName);
// The raw bytes of that RCDATA resource, or nothing when the executable has none of that name.
std::optional<std::string_view> ResourceData(const std::wstring& resourceName);

} // namespace zarvo
