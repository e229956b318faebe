#include "extract/ArchiveSession.h"

#include "archive/PackedStream.h"
#include "archive/VolumeName.h"
#include "extract/ArchiveComment.h"
#include "extract/SafeName.h"
#include "platform/TextCodec.h"

namespace rarlib {

// Finds and opens the volumes after the first, telling the caller about each.
class SessionVolumes final : public VolumeSource {
public:
    // A callback that keeps answering "try again" without naming a volume that opens is given up on.
    static constexpr int kMaxAsks = 8;

    SessionVolumes(Path first, FileSystem& fs) : current_(std::move(first)), fs_(fs) {}
    void setEvents(SessionEvents* events) { events_ = events; }
    const Path& current() const { return current_; }

    Status openNextVolume(bool newNumbering, bool required,
                          std::unique_ptr<RandomAccessInput>& out) override {
        Path next = nextVolumeName(current_, newNumbering);
        for (int asked = 0;; ++asked) {
            out = fs_.openInput(next);
            if (out) {
                if (events_ && !events_->changeVolume(next, false)) {
                    out.reset();
                    return Status::EOpen;
                }
                current_ = next;
                return Status::Ok;
            }
            if (!required) {
                return Status::EndArchive;
            }
            if (!events_ || asked >= kMaxAsks || !events_->changeVolume(next, true)) {
                return Status::EOpen;
            }
        }
    }

private:
    Path current_;
    FileSystem& fs_;
    SessionEvents* events_ = nullptr;
};

ArchiveSession::ArchiveSession(Path path, OpenMode mode, FileSystem& fs)
    : path_(std::move(path)), mode_(mode), fs_(fs) {}

ArchiveSession::~ArchiveSession() = default;

Status ArchiveSession::open() {
    auto input = fs_.openInput(path_);
    if (!input) {
        return Status::EOpen;
    }
    volumes_ = std::make_unique<SessionVolumes>(path_, fs_);
    volumes_->setEvents(events_);
    reader_ = std::make_unique<ArchiveReader>(std::move(input), volumes_.get());
    return reader_->open();
}

uint32_t ArchiveSession::archiveFlags() const {
    uint32_t flags = reader_->mainHeader().flags & 0x01FF;
    if (reader_->commentBlock()) {
        flags |= mainflag::kComment;
    }
    return flags;
}

Status ArchiveSession::readComment(std::vector<uint8_t>& text) {
    return readArchiveComment(*reader_, text);
}

void ArchiveSession::setEvents(SessionEvents* events) {
    events_ = events;
    if (volumes_) {
        volumes_->setEvents(events);
    }
}

const Path& ArchiveSession::volumePath() const {
    return volumes_->current();
}

Status ArchiveSession::passwordError() {
    if (!password_ && events_) {
        if (auto given = events_->needPassword(); given && !given->empty()) {
            password_ = std::move(*given);
        }
    }
    // No decryption here: a password, right or wrong, cannot open the data.
    return password_ ? Status::BadPassword : Status::MissingPassword;
}

Status ArchiveSession::readHeader() {
    if (sticky_ != Status::Ok) {
        return sticky_;
    }
    if (reader_->headersEncrypted()) {
        return passwordError();
    }
    if (current_) {
        // The previous entry was not processed: move past it as a skip would.
        (void)processFile(Operation::Skip, nullptr, nullptr);
        if (sticky_ != Status::Ok) {
            return sticky_;
        }
    }
    for (;;) {
        FileHeader h;
        const Status st = reader_->nextFileHeader(h);
        if (st == Status::EndArchive) {
            return st;
        }
        if (st != Status::Ok) {
            sticky_ = st;
            return st;
        }
        if (h.splitBefore() && mode_ == OpenMode::List) {
            // The rest of a file that began in an earlier volume; the walk is already past this part.
            continue;
        }
        current_ = std::move(h);
        return Status::Ok;
    }
}

Status ArchiveSession::processFile(Operation op, const Path* destPath, const Path* destName) {
    if (!current_) {
        return Status::Unknown;
    }
    const FileHeader h = std::move(*current_);
    current_.reset();
    PackedStream data(*reader_, h);
    Status result = handleEntry(h, data, op, destPath, destName);
    // Whatever happened to the entry, the walk continues after its last part (or, when parts are
    // listed one by one, after this part).
    const Status moved = mode_ == OpenMode::ListIncSplit ? Status::Ok : data.skipRest();
    if (moved != Status::Ok) {
        sticky_ = moved == Status::EOpen ? Status::ERead : moved;
        if (result == Status::Ok) {
            result = moved;
        }
    }
    return result;
}

bool ArchiveSession::decodesOnSkip(const FileHeader& h) const {
    // In a solid archive the next entry may depend on this one's output.
    return mode_ == OpenMode::Extract && reader_->solid() && !h.isDirectory() && !h.isStored();
}

Status ArchiveSession::handleEntry(const FileHeader& h, PackedStream& data, Operation op,
                                   const Path* destPath, const Path* destName) {
    if (mode_ != OpenMode::Extract || op == Operation::Skip) {
        return (op == Operation::Skip && decodesOnSkip(h)) ? decode(h, data, nullptr) : Status::Ok;
    }
    if (op != Operation::Test && op != Operation::Extract) {
        // An unknown operation is refused; the entry is passed over as by a skip.
        const Status st = decodesOnSkip(h) ? decode(h, data, nullptr) : Status::Ok;
        return st != Status::Ok ? st : Status::Unknown;
    }
    if (h.splitBefore()) {
        // Its beginning is in an earlier volume: the data cannot be reconstructed from here.
        return Status::BadData;
    }
    if (h.isDirectory()) {
        if (op == Operation::Test) {
            return Status::Ok;
        }
        const auto target = destination(h, destPath, destName);
        return target && fs_.createDirectories(*target) ? Status::Ok : Status::ECreate;
    }
    if (op == Operation::Extract) {
        return extractEntry(h, data, destPath, destName);
    }
    EntrySink sink(events_, nullptr);
    const Status st = decode(h, data, &sink);
    return st == Status::Ok ? verify(h, data, sink) : st;
}

Status ArchiveSession::extractEntry(const FileHeader& h, PackedStream& data, const Path* destPath,
                                    const Path* destName) {
    Status st = decodable(h);
    if (st != Status::Ok) {
        return st;
    }
    const auto target = destination(h, destPath, destName);
    // Symbolic links are not created, and a name that would leave the destination is refused.
    std::unique_ptr<OutputFile> file;
    if (target && !h.isSymlink()) {
        file = fs_.createFile(*target);
    }
    if (!file) {
        if (decodesOnSkip(h) && (st = decode(h, data, nullptr)) != Status::Ok) {
            return st;
        }
        return Status::ECreate;
    }
    EntrySink sink(events_, file.get());
    st = decode(h, data, &sink);
    if (st == Status::Ok) {
        st = verify(h, data, sink);
    }
    if (st != Status::Ok) {
        file->discard();
        return st;
    }
    FileMeta meta;
    meta.mtime = h.mtime;
    meta.attr = h.attr;
    meta.hostOs = h.hostOs;
    if (!file->commit(meta)) {
        file->discard();
        return Status::EClose;
    }
    return Status::Ok;
}

std::optional<Path> ArchiveSession::destination(const FileHeader& h, const Path* destPath,
                                                const Path* destName) const {
    if (destName && !destName->empty()) {
        return *destName;
    }
    auto relative = safeRelativePath(entryWideName(h));
    if (!relative) {
        return std::nullopt;
    }
    if (destPath && !destPath->empty()) {
        return *destPath / *relative;
    }
    return relative;
}

// Compressed entries by unpack version; each version has its own decoder and stream state.
bool ArchiveSession::hasDecoder(const FileHeader& h) {
    switch (h.unpVer) {
    case 15:
    case 20:
    case 26:
    case 29:
        return h.method >= 0x31 && h.method <= 0x35;
    default:
        return false;
    }
}

Status ArchiveSession::decodable(const FileHeader& h) {
    Status st = Status::Ok;
    const bool solidMember = reader_->solid() && !h.isStored();
    if (h.isEncrypted()) {
        st = passwordError();
    } else if (!h.isStored() && !hasDecoder(h)) {
        st = Status::UnknownFormat;
    } else if (solidMember && h.solid() && solidBroken_ != Status::Ok) {
        return solidBroken_;
    }
    if (st != Status::Ok && solidMember) {
        solidBroken_ = st;
    }
    return st;
}

Status ArchiveSession::decode(const FileHeader& h, PackedStream& data, OutputSink* sink) {
    Status st = decodable(h);
    if (st != Status::Ok) {
        return st;
    }
    if (h.isStored()) {
        return sink ? copyStored(data, *sink, h.unpSizeUnknown ? UINT64_MAX : h.unpSize) : Status::Ok;
    }
    const bool continues = reader_->solid() && h.solid();
    switch (h.unpVer) {
    case 29:
        if (!unpack29_) {
            unpack29_ = std::make_unique<Unpack29>();
        }
        st = unpack29_->decodeEntry(data, h.unpSize, !h.unpSizeUnknown, continues, sink);
        break;
    case 20:
    case 26:
        if (!unpack20_) {
            unpack20_ = std::make_unique<Unpack20>();
        }
        st = unpack20_->decodeEntry(data, h.unpSize, !h.unpSizeUnknown, continues, sink);
        break;
    case 15:
        if (!unpack15_) {
            unpack15_ = std::make_unique<Unpack15>();
        }
        st = unpack15_->decodeEntry(data, h.unpSize, !h.unpSizeUnknown, reader_->solid() && unpack15Started_,
                                    sink);
        unpack15Started_ = true;
        break;
    default:
        st = Status::UnknownFormat;
        break;
    }
    solidBroken_ = st;
    return st;
}

Status ArchiveSession::verify(const FileHeader& h, PackedStream& data, const EntrySink& sink) {
    // A split entry's CRC is in the header of its last part.
    const Status st = data.skipRest();
    if (st != Status::Ok) {
        return st;
    }
    if (!h.unpSizeUnknown && sink.size() != h.unpSize) {
        return Status::BadData;
    }
    return sink.crc() == data.lastPart().fileCrc ? Status::Ok : Status::BadData;
}

} // namespace rarlib
