#pragma once

#include <optional>
#include <string_view>

#include "platform/Path.h"

namespace rarlib {

// Turns a stored entry name into a path relative to the destination folder, or nullopt when the name
// could leave that folder or address something other than a plain file there: empty names or
// components, absolute, drive, UNC and device paths, "." and ".." components, components ending in a
// dot or space (Windows would drop those), ':' (alternate data streams), control and wildcard
// characters, and reserved device names. Both '\' and '/' separate components.
std::optional<Path> safeRelativePath(std::u16string_view storedName);
// The same rule without building the path: whether safeRelativePath accepts the name. The installer
// checks the names it joins itself by it, so that one rule decides what may be written.
bool isSafeRelativeName(std::u16string_view storedName);

} // namespace rarlib
