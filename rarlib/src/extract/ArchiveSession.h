#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveReader.h"
#include "extract/EntrySink.h"
#include "platform/FileOutput.h"
#include "unpack/Unpack29.h"
#include "unpack15/Unpack15.h"
#include "unpack20/Unpack20.h"

namespace rarlib {

enum class OpenMode { List = 0, Extract = 1, ListIncSplit = 2 };
enum class Operation { Skip = 0, Test = 1, Extract = 2 };

// What the caller is told or asked while an archive is processed.
class SessionEvents : public DataObserver {
public:
    // `ask`: the volume `name` is missing and the caller may name another one (by rewriting `name`);
    // otherwise it was just opened. False cancels.
    virtual bool changeVolume(Path& name, bool ask) = 0;
    // A password for encrypted data, or nullopt.
    virtual std::optional<std::string> needPassword() = 0;
};

class SessionVolumes;
class PackedStream;

// One opened archive as the C interface sees it: headers are read one after the other and each is
// followed by exactly one processFile (skip, test or extract).
class ArchiveSession {
public:
    ArchiveSession(Path path, OpenMode mode, FileSystem& fs);
    ~ArchiveSession();

    Status open();
    // Archive flags for the caller (main-header flags, plus 0x0002 when a comment is present).
    uint32_t archiveFlags() const;
    Status readComment(std::vector<uint8_t>& text);

    void setEvents(SessionEvents* events);
    void setPassword(std::optional<std::string> password) { password_ = std::move(password); }

    Status readHeader();
    // The entry of the last successful readHeader.
    const FileHeader& header() const { return *current_; }
    const Path& volumePath() const;

    // `destName` (complete output path, used as given) wins over `destPath` (folder for the stored
    // name, which must stay inside it). Null or empty means not given.
    Status processFile(Operation op, const Path* destPath, const Path* destName);

private:
    Status handleEntry(const FileHeader& h, PackedStream& data, Operation op, const Path* destPath,
                       const Path* destName);
    Status extractEntry(const FileHeader& h, PackedStream& data, const Path* destPath, const Path* destName);
    static bool hasDecoder(const FileHeader& h);
    Status decodable(const FileHeader& h);
    Status decode(const FileHeader& h, PackedStream& data, OutputSink* sink);
    Status verify(const FileHeader& h, PackedStream& data, const EntrySink& sink);
    bool decodesOnSkip(const FileHeader& h) const;
    Status passwordError();
    std::optional<Path> destination(const FileHeader& h, const Path* destPath, const Path* destName) const;

    Path path_;
    OpenMode mode_;
    FileSystem& fs_;
    SessionEvents* events_ = nullptr;
    std::unique_ptr<SessionVolumes> volumes_;
    std::unique_ptr<ArchiveReader> reader_;
    std::optional<FileHeader> current_;
    std::optional<std::string> password_;
    std::unique_ptr<Unpack29> unpack29_;
    std::unique_ptr<Unpack20> unpack20_;
    std::unique_ptr<Unpack15> unpack15_;
    // The 1.5 method has no per-file solid flag: in a solid archive each of its entries continues the
    // stream of the one before.
    bool unpack15Started_ = false;
    // Why the solid stream cannot be continued (Ok while it can).
    Status solidBroken_ = Status::Ok;
    // Once the archive cannot be walked further every readHeader fails the same way.
    Status sticky_ = Status::Ok;
};

} // namespace rarlib
