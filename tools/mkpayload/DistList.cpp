#include "DistList.h"

#include "Cp866.h"
#include "ProductName.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace mkpayload {

bool InspectSourceFile(const std::filesystem::path& path, TProductFile& file, std::string& error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error = "is a folder";
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = "is not a plain file";
        return false;
    }
    if (static_cast<uint64_t>(st.st_size) > kMaxEntrySize) {
        error = "is " + std::to_string(st.st_size) + " bytes; the payload stores 32-bit sizes, so at most " +
                std::to_string(kMaxEntrySize) + " bytes fit";
        return false;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::string("cannot be read: ") + std::strerror(errno);
        return false;
    }
    ::close(fd);
    file.path = path;
    file.size = static_cast<uint64_t>(st.st_size);
    file.modified = st.st_mtime;
    return true;
}

bool ScanProductFolder(const std::filesystem::path& folder, std::vector<TProductFile>& files,
                       std::string& error) {
    std::vector<std::string> problems;
    std::vector<TProductFile> found;
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    if (ec) {
        error = "product folder " + folder.string() + ": " + ec.message();
        return false;
    }
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::string utf8Name = it->path().filename().string();
        const std::string shownName = PrintableName(utf8Name);
        TProductFile file;
        std::string why;
        std::error_code statError;
        if (std::filesystem::is_directory(it->path(), statError)) {
            // The installer unpacks each Dist.lst line into the install folder as is and never
            // creates or removes folders for it.
            problems.push_back(shownName + ": is a folder; the product folder must hold plain files only");
            continue;
        }
        if (!InspectSourceFile(it->path(), file, why) || !EncodeProductName(utf8Name, file.name, why)) {
            problems.push_back(shownName + ": " + why);
            continue;
        }
        found.push_back(std::move(file));
    }
    if (ec) {
        problems.push_back("product folder " + folder.string() + ": " + ec.message());
    }
    if (problems.empty() && found.empty()) {
        problems.push_back("product folder " + folder.string() + " has no files");
    }

    std::sort(found.begin(), found.end(), [](const TProductFile& a, const TProductFile& b) {
        return std::lexicographical_compare(
            a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
            [](char x, char y) { return static_cast<unsigned char>(x) < static_cast<unsigned char>(y); });
    });
    // Windows file names ignore case, so these would overwrite each other on install.
    std::map<std::string, const TProductFile*> byFoldedName;
    for (const TProductFile& file : found) {
        const auto [other, inserted] = byFoldedName.emplace(Cp866ToUpper(file.name), &file);
        if (!inserted) {
            problems.push_back(
                Cp866ToUtf8(other->second->name) + " and " + Cp866ToUtf8(file.name) +
                ": the names differ only in letter case and would be the same file on Windows");
        }
    }

    if (!problems.empty()) {
        std::sort(problems.begin(), problems.end());
        error.clear();
        for (const std::string& problem : problems) {
            error += (error.empty() ? "" : "\n") + problem;
        }
        return false;
    }
    files = std::move(found);
    return true;
}

std::string FormatDistList(const std::vector<TProductFile>& files) {
    std::string text;
    for (const TProductFile& file : files) {
        text += file.name;
        text += "\r\n";
    }
    return text;
}

} // namespace mkpayload
