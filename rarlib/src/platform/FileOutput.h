#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "archive/Input.h"
#include "format/FileHeader.h"
#include "platform/Path.h"

namespace rarlib {

// What is applied to an extracted file once its data is complete.
struct FileMeta {
    EntryTime mtime;
    uint32_t attr = 0;
    uint8_t hostOs = 0;
};

class OutputFile {
public:
    virtual ~OutputFile() = default;
    virtual bool write(const uint8_t* data, size_t size) = 0;
    // Closes the file and applies time and attributes (failing to apply those is not an error).
    // False when the data could not be completed on disk.
    virtual bool commit(const FileMeta& meta) = 0;
    // Closes and removes the file (its data did not check out).
    virtual void discard() = 0;
};

// The file system as the extractor needs it; one implementation per platform.
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Opens an archive volume; null when it cannot be opened.
    virtual std::unique_ptr<RandomAccessInput> openInput(const Path& path) = 0;
    // Creates the file, with any missing folders above it, replacing an existing file (also a
    // read-only one). Null when that is not possible.
    virtual std::unique_ptr<OutputFile> createFile(const Path& path) = 0;
    // Creates the folder and any missing folders above it; true also when it exists.
    virtual bool createDirectories(const Path& path) = 0;
};

FileSystem& nativeFileSystem();

} // namespace rarlib
