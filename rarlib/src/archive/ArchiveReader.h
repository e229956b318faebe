#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "archive/Input.h"
#include "core/Status.h"
#include "format/Blocks.h"
#include "format/FileHeader.h"

namespace rarlib {

// Supplies the volumes that follow the first one (names, existence checks and the change-volume
// callback belong to the caller).
class VolumeSource {
public:
    virtual ~VolumeSource() = default;
    // `required`: the archive cannot continue without it, so the user may be asked; otherwise only a
    // volume that already exists is opened, silently, and a missing one ends the archive.
    virtual Status openNextVolume(bool newNumbering, bool required,
                                  std::unique_ptr<RandomAccessInput>& out) = 0;
};

// A service block (e.g. the archive comment) located while opening.
struct ServiceBlock {
    FileHeader header;
    uint64_t dataOffset = 0;
};

// Walks the blocks of an archive, volume by volume.
class ArchiveReader {
public:
    // How far into a file the marker is searched for (self-extracting stubs).
    static constexpr uint64_t kMaxSfxSize = 4u << 20;

    ArchiveReader(std::unique_ptr<RandomAccessInput> input, VolumeSource* volumes);

    // Finds the marker and reads the main header of the first volume.
    Status open();
    const MainHeader& mainHeader() const { return main_; }
    bool solid() const { return (main_.flags & mainflag::kSolid) != 0; }
    bool headersEncrypted() const { return (main_.flags & mainflag::kPassword) != 0; }
    const std::optional<ServiceBlock>& commentBlock() const { return comment_; }

    // Next file header; other blocks are skipped and a volume whose end block announces a successor
    // is followed. Status::EndArchive at the end.
    Status nextFileHeader(FileHeader& out);

    // The packed data of the header last returned starts here, in input().
    RandomAccessInput& input() { return *input_; }
    uint64_t dataOffset() const { return dataOffset_; }

    // Opens the next volume and reads the continuation of `prev` there (it must be the first file header
    // of that volume, marked as continued, with the same name).
    Status openContinuation(const FileHeader& prev, FileHeader& part);

private:
    struct Block {
        BaseHeader base;
        std::vector<uint8_t> bytes;
        uint64_t next = 0;
    };

    Status openVolume(MainHeader* first);
    Status findMarker(uint64_t& mainPos);
    Status readBlock(uint64_t pos, Block& block, FileHeader* file);
    Status switchVolume(bool required);

    std::unique_ptr<RandomAccessInput> input_;
    VolumeSource* volumes_;
    MainHeader main_;
    uint16_t volumeFlags_ = 0;
    std::optional<ServiceBlock> comment_;
    uint64_t pos_ = 0;
    uint64_t dataOffset_ = 0;
    bool sawEndBlock_ = false;
    bool ended_ = false;
};

} // namespace rarlib
