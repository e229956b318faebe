#pragma once
// What is checked of the installation folder before a new installation or a restore changes anything.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace zarvo {

// Room on the drive for the files below "Dist" (their sizes read from the payload's headers), the longest
// installed path within the system's limit, and a folder that can be written. Reports the first failure
// (caption "Ошибка") and answers false.
bool CheckInstallTarget(const std::wstring& installPath, const std::wstring& archivePath);

// The free bytes on the drive of an existing folder, and whether a file can be made in it; tests replace
// them.
using TFreeSpaceQuery = std::function<std::optional<uint64_t>(const std::wstring& folder)>;
using TWriteProbe = std::function<bool(const std::wstring& folder)>;
extern TFreeSpaceQuery FreeSpaceQuery;
extern TWriteProbe WriteProbe;

} // namespace zarvo
