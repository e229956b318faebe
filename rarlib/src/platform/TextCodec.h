#pragma once

#include <string>
#include <string_view>

#include "format/FileHeader.h"
#include "platform/Path.h"

// Text at the edges of the library. On Windows the `char*` strings of the C interface are in the ANSI
// (archive names) or OEM (destinations, entry names) code page; elsewhere they are UTF-8, and entry
// names stored without Unicode form are read in the product's OEM code page (866) unless they are
// UTF-8 from a Unix host.
namespace rarlib {

Path pathFromArchiveName(const char* name); // ANSI / UTF-8
Path pathFromDestination(const char* name); // OEM / UTF-8
Path pathFromWide(const wchar_t* name);
std::string narrowArchiveName(const Path& path); // ANSI / UTF-8
std::wstring wideArchiveName(const Path& path);

// Stored bytes of a name without Unicode form, read in the OEM code page.
std::u16string oemToUtf16(std::string_view bytes);

// How many bytes of `text` fit into `capacity` bytes (one of them for the terminating zero) without
// cutting a character in two.
size_t fittingPrefix(std::string_view text, size_t capacity);

// The entry's name as UTF-16, separators as stored.
std::u16string entryWideName(const FileHeader& header);
// The entry's name for the `char*` fields: OEM bytes with '\' on Windows, UTF-8 with '/' elsewhere.
std::string entryNarrowName(const FileHeader& header);
// The entry's name for the `wchar_t*` fields, with the platform's separator.
std::wstring entryWideNameForInterface(const FileHeader& header);

} // namespace rarlib
