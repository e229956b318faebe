#include "setup/ImportTable.h"

#include "common/Handles.h"
#include "common/MappedFile.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

namespace zarvo {

namespace {

// Longer names than this are no library names the loader would take.
constexpr size_t MaxImportNameLength = MAX_PATH;

// The file's bytes with every read checked against their end.
class TImage {
public:
    TImage(const BYTE* bytes, uint64_t size) : bytes_(bytes), size_(size) {}

    template <typename T> std::optional<T> Read(uint64_t offset) const {
        if (offset > size_ || size_ - offset < sizeof(T))
            return std::nullopt;
        T value;
        std::memcpy(&value, bytes_ + offset, sizeof(T));
        return value;
    }
    // A zero-terminated name that ends inside the file.
    std::optional<std::string> ReadName(uint64_t offset) const {
        std::string name;
        for (uint64_t at = offset; at < size_ && name.size() <= MaxImportNameLength; ++at) {
            if (bytes_[at] == 0)
                return name;
            name.push_back(char(bytes_[at]));
        }
        return std::nullopt;
    }

private:
    const BYTE* bytes_;
    uint64_t size_;
};

struct TSection {
    uint32_t address; // relative to the image base
    uint32_t mappedSize;
    uint32_t fileOffset;
    uint32_t fileSize;
};

// The file offset of an address relative to the image base, through the section that holds it in the file.
std::optional<uint64_t> FileOffset(const std::vector<TSection>& sections, uint32_t headersSize,
                                   uint32_t rva) {
    if (rva < headersSize)
        return rva;
    for (const TSection& section : sections) {
        uint64_t start = section.address;
        uint64_t extent = std::max(section.mappedSize, section.fileSize);
        if (rva >= start && rva - start < extent) {
            if (rva - start >= section.fileSize)
                return std::nullopt; // zero-filled memory, nothing in the file
            return uint64_t(section.fileOffset) + (rva - start);
        }
    }
    return std::nullopt;
}

std::wstring AnsiToWide(const std::string& text) {
    if (text.empty())
        return {};
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(std::max(length, 0)), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), wide.data(), length);
    return wide;
}

// Where the image's parts lie in the file: its sections and its data directories.
struct TLayout {
    std::vector<TSection> sections;
    uint32_t headersSize = 0;
    uint32_t directoryCount = 0;
    uint64_t directoriesOffset = 0;
};

// False for a file that is no well-formed PE image.
bool ReadLayout(const TImage& image, TLayout& layout) {
    auto dos = image.Read<IMAGE_DOS_HEADER>(0);
    if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew < 0)
        return false;
    const uint64_t ntOffset = uint64_t(dos->e_lfanew);
    auto signature = image.Read<DWORD>(ntOffset);
    auto fileHeader = image.Read<IMAGE_FILE_HEADER>(ntOffset + sizeof(DWORD));
    if (!signature || *signature != IMAGE_NT_SIGNATURE || !fileHeader)
        return false;

    // The optional header differs between 32- and 64-bit images; its directories are found either way.
    const uint64_t optionalOffset = ntOffset + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER);
    auto magic = image.Read<WORD>(optionalOffset);
    if (!magic)
        return false;
    if (*magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        auto optional = image.Read<IMAGE_OPTIONAL_HEADER32>(optionalOffset);
        if (!optional)
            return false;
        layout.headersSize = optional->SizeOfHeaders;
        layout.directoryCount = optional->NumberOfRvaAndSizes;
        layout.directoriesOffset = optionalOffset + offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory);
    } else if (*magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        auto optional = image.Read<IMAGE_OPTIONAL_HEADER64>(optionalOffset);
        if (!optional)
            return false;
        layout.headersSize = optional->SizeOfHeaders;
        layout.directoryCount = optional->NumberOfRvaAndSizes;
        layout.directoriesOffset = optionalOffset + offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory);
    } else {
        return false;
    }
    const uint64_t sectionsOffset = optionalOffset + fileHeader->SizeOfOptionalHeader;
    for (WORD index = 0; index < fileHeader->NumberOfSections; ++index) {
        auto header = image.Read<IMAGE_SECTION_HEADER>(sectionsOffset + index * sizeof(IMAGE_SECTION_HEADER));
        if (!header)
            return false;
        layout.sections.push_back({header->VirtualAddress, header->Misc.VirtualSize, header->PointerToRawData,
                                   header->SizeOfRawData});
    }
    return true;
}

// A data directory of the image; one the image does not have is empty (address 0), one that lies past
// the file's end is missing.
std::optional<IMAGE_DATA_DIRECTORY> ReadDirectory(const TImage& image, const TLayout& layout,
                                                  unsigned index) {
    if (layout.directoryCount <= index)
        return IMAGE_DATA_DIRECTORY{};
    return image.Read<IMAGE_DATA_DIRECTORY>(layout.directoriesOffset + index * sizeof(IMAGE_DATA_DIRECTORY));
}

bool ReadImports(const TImage& image, std::vector<std::wstring>& names) {
    TLayout layout;
    if (!ReadLayout(image, layout))
        return false;
    auto directory = ReadDirectory(image, layout, IMAGE_DIRECTORY_ENTRY_IMPORT);
    if (!directory)
        return false;
    if (directory->VirtualAddress == 0)
        return true; // no import directory: imports nothing

    auto descriptors = FileOffset(layout.sections, layout.headersSize, directory->VirtualAddress);
    if (!descriptors)
        return false;
    // The table ends with an empty entry; one that runs off the file's end is damaged.
    for (uint64_t offset = *descriptors;; offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        auto descriptor = image.Read<IMAGE_IMPORT_DESCRIPTOR>(offset);
        if (!descriptor)
            return false;
        if (descriptor->Name == 0)
            return true;
        auto nameOffset = FileOffset(layout.sections, layout.headersSize, descriptor->Name);
        std::optional<std::string> name;
        if (nameOffset)
            name = image.ReadName(*nameOffset);
        if (!name || name->empty() || name->size() > MaxImportNameLength)
            return false;
        names.push_back(AnsiToWide(*name));
    }
}

// Whether the image's export directory names both: the loader finds an export by the name stored there.
// Empty when the image's exports cannot be read.
std::optional<bool> ExportsBoth(const TImage& image, const TLayout& layout, std::string_view first,
                                std::string_view second) {
    auto directory = ReadDirectory(image, layout, IMAGE_DIRECTORY_ENTRY_EXPORT);
    if (!directory)
        return std::nullopt;
    if (directory->VirtualAddress == 0)
        return false; // exports nothing
    auto exportsOffset = FileOffset(layout.sections, layout.headersSize, directory->VirtualAddress);
    auto exports = exportsOffset ? image.Read<IMAGE_EXPORT_DIRECTORY>(*exportsOffset) : std::nullopt;
    auto namesOffset =
        exports ? FileOffset(layout.sections, layout.headersSize, exports->AddressOfNames) : std::nullopt;
    if (!namesOffset)
        return std::nullopt;
    bool foundFirst = false, foundSecond = false;
    for (DWORD index = 0; index < exports->NumberOfNames && !(foundFirst && foundSecond); ++index) {
        auto nameRva = image.Read<DWORD>(*namesOffset + uint64_t(index) * sizeof(DWORD));
        auto nameOffset = nameRva ? FileOffset(layout.sections, layout.headersSize, *nameRva) : std::nullopt;
        auto name = nameOffset ? image.ReadName(*nameOffset) : std::nullopt;
        if (!name)
            return std::nullopt;
        foundFirst |= *name == first;
        foundSecond |= *name == second;
    }
    return foundFirst && foundSecond;
}

// A file's bytes, mapped for reading; empty when the file cannot be mapped or is empty.
TMappedFile MapFile(const std::wstring& path) {
    return TMappedFile(THandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
}

// The name with its terminating zero, as an export table stores it.
bool HoldsName(std::string_view bytes, std::string_view name) {
    return bytes.find(std::string_view(name.data(), name.size() + 1)) != std::string_view::npos;
}

} // namespace

bool ReadImportedLibraries(const std::wstring& path, std::vector<std::wstring>& names) {
    names.clear();
    const TMappedFile file = MapFile(path);
    const std::string_view bytes = file.Bytes();
    if (!bytes.empty() &&
        ReadImports(TImage(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size()), names))
        return true;
    names.clear();
    return false;
}

bool MayExportBoth(const std::wstring& path, const char* first, const char* second) {
    // Only the headers and the export directory are read: the scan asks this of every file of the
    // folder. A file that cannot be read here is left to the loader; one that is no image has no exports;
    // an image whose export directory cannot be followed holds them when it holds both names anywhere.
    THandle handle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle)
        return true;
    // Most files of a folder are no images: two bytes tell, before anything is mapped.
    char magic[2] = {};
    DWORD read = 0;
    if (!ReadFile(handle.Get(), magic, sizeof(magic), &read, nullptr))
        return true;
    if (read < sizeof(magic) || magic[0] != 'M' || magic[1] != 'Z')
        return false;
    const TMappedFile file(std::move(handle));
    const std::string_view bytes = file.Bytes();
    if (bytes.empty())
        return true;
    const TImage image(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size());
    TLayout layout;
    if (!ReadLayout(image, layout))
        return false;
    if (const std::optional<bool> exports = ExportsBoth(image, layout, first, second))
        return *exports;
    return HoldsName(bytes, first) && HoldsName(bytes, second);
}

} // namespace zarvo
