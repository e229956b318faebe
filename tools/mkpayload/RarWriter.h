// Writes the archive's blocks in the RAR 2.9 format: marker, main header (solid, single volume,
// unencrypted), one file header per entry followed by its packed data, end of archive.
// How the data is packed is the packer's business; names, times and attributes are the caller's.
#pragma once

#include "DataPacker.h"
#include "DataSource.h"
#include "OutputFile.h"

#include <cstdint>
#include <string>

namespace mkpayload {

struct TEntryHeader {
    std::string name;        // OEM code page bytes, backslash separators
    uint64_t size = 0;       // the bytes the source will deliver
    uint32_t dosTime = 0;    // modification time, MS-DOS format
    uint32_t attributes = 0; // Windows file attributes
};

class TRarWriter {
public:
    TRarWriter(TOutputFile& out, TDataPacker& packer) : out_(out), packer_(packer) {}

    bool Begin(std::string& error);
    bool AddEntry(const TEntryHeader& entry, TDataSource& source, std::string& error);
    bool Finish(std::string& error);

private:
    TOutputFile& out_;
    TDataPacker& packer_;
};

} // namespace mkpayload
