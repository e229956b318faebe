#pragma once
// Puts an entry that the library extracted into a staging folder at its real destination, the way the
// library writes an extracted file, so that the result and the failures are the ones a direct extraction
// would have had.

#include <string>

namespace zarvo {

// staged: the file (or folder, for a folder entry) the library wrote. destination: the path the library
// would have been given; a relative one resolves against the current folder. Missing folders above it
// are made; an existing file is replaced, a read-only one too; a file held open without sharing fails.
// The data, the last-write time and the attributes come from the staged copy. A file left incomplete is
// removed. False on any failure, a time or attributes that cannot be set included, with the system's
// code of the failure as the last error.
bool PlaceExtractedEntry(const std::wstring& staged, const std::wstring& destination);

// The same result by renaming the staged file into place: nothing is written twice and the drive needs
// no room for a second copy. The file then takes the access its new folder passes on, not the staging
// folder's. Where the rename fails (a folder entry, a staged file on another drive, a read-only or held
// file in the way) the entry is placed as PlaceExtractedEntry does.
bool MoveExtractedEntry(const std::wstring& staged, const std::wstring& destination);

} // namespace zarvo
