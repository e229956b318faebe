#pragma once
// What a library file imports, and whether it can export two names, read from the file itself: nothing
// is loaded and no library code runs, so it also works for a file the loader refused.

#include <string>
#include <vector>

namespace zarvo {

// The names of the libraries the file imports statically (its import directory), in table order. False,
// with names left empty, when the file cannot be read or is no well-formed PE image; a damaged image is
// never read past its end.
bool ReadImportedLibraries(const std::wstring& path, std::vector<std::wstring>& names);

// False when the file is readable and its export directory does not name both (or it is no PE image at
// all): no loader could then find both among its exports. Reads the headers and the export directory
// only. True otherwise, a file that cannot be read included: only the loader can tell.
bool MayExportBoth(const std::wstring& path, const char* first, const char* second);

} // namespace zarvo
