// Makes the fuzzers' starting inputs from the shared test archives (they are not kept in the
// repository): whole archives for the reader, the packed data of each 2.9 entry for the LZ and PPMd
// decoders, the filter records those entries carry; plus a few made-up PPMd streams and filter
// records so that every standard filter and both PPMd block kinds are there from the start (the
// archives' own filter records reach the filters through the reader and LZ targets).
//
// Use: rarfuzz_seeds <test data folder> <output folder>   (makes archive/ lz29/ ppmd/ filters/ in it)
#include "archive/ArchiveReader.h"
#include "archive/PackedStream.h"
#include "filters/tests/FilterTestKit.h"
#include "ppmd/tests/PpmdTestEncoder.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace rarlib;
using Bytes = std::vector<uint8_t>;

namespace {

// Inputs larger than this are cut: the fuzzers work on small inputs.
constexpr size_t kMaxArchiveSeed = 128 << 10;
constexpr size_t kMaxPackedSeed = 64 << 10;
constexpr size_t kFilterContent = 4096; // stream content of the made-up filter seeds

Bytes readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeSeed(const fs::path& dir, const std::string& name, const Bytes& data) {
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

void putLe24(Bytes& b, uint32_t v) {
    b.insert(b.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16)});
}

struct Entry {
    FileHeader header;
    Bytes packed;
};

// The 2.9-method entries of one archive that lie wholly in it.
std::vector<Entry> packedEntries(const Bytes& archive, bool& solid) {
    std::vector<Entry> out;
    ArchiveReader reader(std::make_unique<MemoryInput>(archive), nullptr);
    if (reader.open() != Status::Ok)
        return out;
    solid = reader.solid();
    FileHeader h;
    while (reader.nextFileHeader(h) == Status::Ok) {
        if (h.isStored() || h.isDirectory() || h.isEncrypted() || h.unpVer != 29 || h.splitBefore() ||
            h.splitAfter())
            continue;
        Entry e{h, Bytes(std::min<uint64_t>(h.packSize, kMaxPackedSeed))};
        if (!reader.input().readAt(reader.dataOffset(), e.packed.data(), e.packed.size()))
            continue;
        out.push_back(std::move(e));
    }
    return out;
}

// LZ seed: flags, then per entry its size (and packed length for all but the last), then the data.
Bytes lzSeed(const std::vector<const Entry*>& entries) {
    bool known = true;
    for (const Entry* e : entries)
        known = known && !e->header.unpSizeUnknown && e->header.unpSize < (1u << 24);
    Bytes b{static_cast<uint8_t>((known ? 1 : 0) | (entries.size() - 1) << 1)};
    for (size_t i = 0; i < entries.size(); ++i) {
        putLe24(b, static_cast<uint32_t>(std::min<uint64_t>(entries[i]->header.unpSize, 0xFFFFFF)));
        if (i + 1 < entries.size())
            putLe24(b, static_cast<uint32_t>(entries[i]->packed.size()));
    }
    for (const Entry* e : entries)
        b.insert(b.end(), e->packed.begin(), e->packed.end());
    return b;
}

void archiveSeeds(const fs::path& testdata, const fs::path& out) {
    std::vector<fs::path> files;
    for (const auto& de : fs::directory_iterator(testdata)) {
        const auto ext = de.path().extension();
        if (de.is_regular_file() && (ext == ".rar" || ext == ".exe"))
            files.push_back(de.path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& f : files) {
        Bytes archive = readAll(f);
        const std::string stem = f.stem().string();
        Bytes head(archive.begin(), archive.begin() + std::min(archive.size(), kMaxArchiveSeed));
        writeSeed(out / "archive", stem, head);

        bool solid = false;
        const std::vector<Entry> entries = packedEntries(archive, solid);
        for (size_t i = 0; i < entries.size(); ++i) {
            const Entry& e = entries[i];
            const std::string name = stem + "." + std::to_string(i);
            writeSeed(out / "lz29", name, lzSeed({&e}));
            if (solid && i > 0 && e.header.solid())
                writeSeed(out / "lz29", name + ".solid", lzSeed({&entries[i - 1], &e}));
            if (!e.packed.empty() && (e.packed[0] & 0x80)) {
                Bytes ppm = e.packed;
                // The fuzz target's model memory is bounded; ask for what it gives.
                if ((ppm[0] & 0x20) && ppm.size() > 1)
                    ppm[1] = std::min<uint8_t>(ppm[1], 15);
                writeSeed(out / "ppmd", name, ppm);
            }
        }
    }
}

void madePpmdSeeds(const fs::path& out) {
    const std::string text =
        "The quick brown fox jumps over the lazy dog. 0123456789 the quick brown fox\r\n";
    for (unsigned order : {2u, 4u, 6u, 16u, 64u}) {
        rarlib::testing::PpmdTestEncoder enc;
        enc.startBlock(true, order, 1, order == 6 ? 'e' : -1);
        for (int rep = 0; rep < 4; ++rep)
            for (char c : text)
                enc.literal(static_cast<uint8_t>(c));
        enc.match(40, 3);
        enc.match(5, 1);
        enc.endBlock();
        // A second block that goes on with the same model, then the end of the file.
        enc.startBlock(false, 0, 0, 'x');
        for (char c : text)
            enc.literal(static_cast<uint8_t>(c));
        enc.endFile();
        writeSeed(out / "ppmd", "made.order" + std::to_string(order), enc.output());
    }
}

void madeFilterSeeds(const fs::path& out) {
    using rarlib::filters::FilterType;
    struct Made {
        const char* name;
        FilterType type;
        uint32_t length;
        uint32_t r0, r1;
    };
    const Made made[] = {
        {"e8", FilterType::E8, 4096, 0, 0},           {"e8e9", FilterType::E8E9, 4096, 0, 0},
        {"itanium", FilterType::Itanium, 4096, 0, 0}, {"delta", FilterType::Delta, 4096, 4, 0},
        {"rgb", FilterType::Rgb, 3000, 300, 1},       {"audio", FilterType::Audio, 4096, 2, 0},
    };
    Bytes content(kFilterContent);
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<uint8_t>(i % 7 == 0 ? 0xE8 : i * 31);
    for (const Made& m : made) {
        rarlib::filters::testing::RecordFields f;
        f.number = 0;
        f.start = 16;
        f.length = m.length;
        f.regs[0] = m.r0;
        f.regs[1] = m.r1;
        f.code = rarlib::filters::testing::forgeStandardCode(m.type);
        const rarlib::filters::testing::Record def = rarlib::filters::testing::buildRecord(f);
        // The same filter again later, by its number, with its last length.
        rarlib::filters::testing::RecordFields again;
        again.number = 1;
        again.start = 0;
        again.regs[0] = m.r0;
        again.regs[1] = m.r1;
        const rarlib::filters::testing::Record reuse = rarlib::filters::testing::buildRecord(again);

        Bytes seed{2};
        putLe24(seed, 3 * m.length);
        for (const auto& [advance, r] : {std::pair{0u, &def}, std::pair{m.length + 16, &reuse}}) {
            seed.push_back(static_cast<uint8_t>(advance));
            seed.push_back(static_cast<uint8_t>(advance >> 8));
            seed.push_back(r->first);
            const size_t n = r->body.size();
            if ((r->first & 7) == 6)
                seed.push_back(static_cast<uint8_t>(n - 7));
            else if ((r->first & 7) == 7)
                seed.insert(seed.end(), {static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
            seed.insert(seed.end(), r->body.begin(), r->body.end());
        }
        seed.insert(seed.end(), content.begin(), content.end());
        writeSeed(out / "filters", std::string("made.") + m.name, seed);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "use: %s <test data folder> <output folder>\n", argv[0]);
        return 2;
    }
    const fs::path out = argv[2];
    for (const char* d : {"archive", "lz29", "ppmd", "filters"})
        fs::create_directories(out / d);
    archiveSeeds(fs::path(argv[1]) / "rar", out);
    madePpmdSeeds(out);
    madeFilterSeeds(out);
    for (const char* d : {"archive", "lz29", "ppmd", "filters"}) {
        const auto n = std::distance(fs::directory_iterator(out / d), fs::directory_iterator{});
        std::printf("%s: %ld seeds\n", d, static_cast<long>(n));
    }
    return 0;
}
