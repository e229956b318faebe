#include "Payload.h"

#include "Cp866.h"
#include "DataSource.h"
#include "DistList.h"
#include "DosTime.h"
#include "EntryOrder.h"
#include "Lz29Format.h"
#include "Lz29Packer.h"
#include "OutputFile.h"
#include "ProductName.h"
#include "RarWriter.h"
#include "StoredPacker.h"

#include <algorithm>
#include <memory>
#include <span>
#include <vector>

namespace mkpayload {
namespace {

constexpr std::string_view kRuntimeLibraryName = "RTW32.dll";
constexpr std::string_view kDistListName = "Dist.lst";
// Plain "archive" attribute only: a read-only copy in the install folder would block the
// next reinstall, which unpacks over the existing files.
constexpr uint32_t kFileAttributeArchive = 0x20;

bool CheckRuntimeLibrary(const std::filesystem::path& path, TProductFile& file, std::string& error) {
    // The installer looks the entry up by this name; refusing other names catches swapped arguments.
    if (Cp866ToUpper(path.filename().string()) != Cp866ToUpper(kRuntimeLibraryName)) {
        error = "runtime library " + path.string() + ": the file must be named " +
                std::string(kRuntimeLibraryName);
        return false;
    }
    std::string why;
    if (!InspectSourceFile(path, file, why)) {
        error = "runtime library " + path.string() + ": " + why;
        return false;
    }
    file.name = kRuntimeLibraryName;
    return true;
}

bool IsInside(const std::filesystem::path& file, const std::filesystem::path& folder) {
    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::weakly_canonical(file, ec).parent_path();
    return !ec && std::filesystem::equivalent(parent, folder, ec);
}

bool AddFileEntry(TRarWriter& writer, const std::string& storedName, const TProductFile& file,
                  std::string& error) {
    TFileSource source;
    std::string why;
    const TEntryHeader header{storedName, file.size, ToDosTime(file.modified), kFileAttributeArchive};
    if (!source.Open(file.path, why) || !writer.AddEntry(header, source, why)) {
        error = file.path.string() + ": " + why;
        return false;
    }
    return true;
}

} // namespace

bool BuildPayload(const std::filesystem::path& productFolder, const std::filesystem::path& runtimeLibrary,
                  const std::filesystem::path& output, const TPackOptions& options, TPayloadSummary& summary,
                  std::string& error) {
    TProductFile runtime;
    std::vector<TProductFile> files;
    std::string runtimeError;
    std::string folderError;
    const bool runtimeOk = CheckRuntimeLibrary(runtimeLibrary, runtime, runtimeError);
    const bool folderOk = ScanProductFolder(productFolder, files, folderError);
    if (!runtimeOk || !folderOk) {
        error = runtimeError + (runtimeOk || folderOk ? "" : "\n") + folderError;
        return false;
    }
    // A second run would otherwise pack the first run's archive as a product file.
    if (IsInside(output, productFolder)) {
        error = "output " + output.string() + " must not be inside the product folder";
        return false;
    }

    if (!OrderForCompression(files, lz29::kWindowSize, error)) {
        return false;
    }
    const std::string distList = FormatDistList(files);
    // The newest product file's time, so the same input always gives the same archive.
    std::time_t listModified = 0;
    for (const TProductFile& file : files) {
        listModified = std::max(listModified, file.modified);
    }

    TOutputFile out;
    std::unique_ptr<TDataPacker> packer;
    if (options.compress) {
        packer = std::make_unique<TLz29Packer>(options.level, options.x86Filter);
    } else {
        packer = std::make_unique<TStoredPacker>();
    }
    TRarWriter writer(out, *packer);
    if (!out.Create(output, error) || !writer.Begin(error) ||
        !AddFileEntry(writer, std::string(kRuntimeLibraryName), runtime, error)) {
        return false;
    }
    TMemorySource listSource(std::span(reinterpret_cast<const uint8_t*>(distList.data()), distList.size()));
    const TEntryHeader listHeader{std::string(kDistListName), distList.size(), ToDosTime(listModified),
                                  kFileAttributeArchive};
    if (!writer.AddEntry(listHeader, listSource, error)) {
        error = std::string(kDistListName) + ": " + error;
        return false;
    }
    for (const TProductFile& file : files) {
        if (!AddFileEntry(writer, std::string(kDistFolderPrefix) + file.name, file, error)) {
            return false;
        }
    }
    if (!writer.Finish(error) || !out.Commit(error)) {
        return false;
    }
    summary.entries = files.size() + 2;
    summary.bytes = out.Size();
    return true;
}

} // namespace mkpayload
