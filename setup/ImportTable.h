#pragma once
// The import table of a library file, read from the file itself: nothing is loaded and no library code
// runs, so it also works for a file the loader refused.

#include <string>
#include <vector>

namespace zarvo {

// The names of the libraries the file imports statically (its import directory), in table order. False,
// with names left empty, when the file cannot be read or is no well-formed PE image; a damaged image is
// never read past its end.
bool ReadImportedLibraries(const std::wstring& path, std::vector<std::wstring>& names);

} // namespace zarvo
