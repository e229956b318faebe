// mkpayload: packs a product folder into the installer's payload archive.
#include "OutputFile.h"
#include "Payload.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    R"(Usage: mkpayload [--stored | [--level N] [--no-x86-filter]] PRODUCT_DIR RTW32_DLL OUTPUT.rar

Packs the product's files into the installer's payload archive (RAR 2.9 format, solid, single
volume, unencrypted, entry names in CP866 with backslashes). Entries, in this order:
  RTW32.dll        the runtime library RTW32_DLL (the file must be named RTW32.dll)
  Dist.lst         the distribution list: every product file's name, one per line, CRLF line
                   ends, CP866
  Dist\<name>      every file of PRODUCT_DIR, in Dist.lst's order
The files are put so that those alike follow each other: the largest first, then each time the
one whose contents the last 4 MiB hold most of.
Data is compressed by default: one LZ stream through all entries (4 MiB dictionary).
  --level N        1 (fastest) .. 5 (smallest); default 4
  --no-x86-filter  leave x86 programs as they are (by default the code sections of 32- and
                   64-bit x86 PE files, found by their headers, go through the format's
                   E8E9 filter, which makes call and jump targets absolute)
  --stored         store every entry as it is (method 0x30)
The same input and options always give the same archive bytes.

PRODUCT_DIR must hold plain files only (no folders) whose names Windows accepts, that CP866 can
encode, that differ in more than letter case and that fit the installer's 260-byte name field;
each file must be smaller than 4 GiB - 1 byte. Anything else is refused with a message and exit
code 1, and OUTPUT.rar is then left as it was. Exit code 2: wrong command line.
)";

// Options first, then exactly three paths.
bool ParseCommandLine(int argc, char** argv, mkpayload::TPackOptions& options,
                      std::vector<const char*>& paths) {
    bool levelGiven = false;
    bool filterGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--stored") {
            options.compress = false;
        } else if (arg == "--no-x86-filter") {
            options.x86Filter = false;
            filterGiven = true;
        } else if (arg == "--level" && i + 1 < argc) {
            const std::string value = argv[++i];
            if (value.size() != 1 || value[0] < '1' || value[0] > '5') {
                return false;
            }
            options.level = value[0] - '0';
            levelGiven = true;
        } else if (arg.starts_with("--")) {
            return false;
        } else {
            paths.push_back(argv[i]);
        }
    }
    return paths.size() == 3 && !((levelGiven || filterGiven) && !options.compress);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    mkpayload::TPackOptions options;
    std::vector<const char*> paths;
    if (!ParseCommandLine(argc, argv, options, paths)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    mkpayload::TOutputFile::RemoveTemporaryOnSignals();
    mkpayload::TPayloadSummary summary;
    std::string error;
    if (!mkpayload::BuildPayload(paths[0], paths[1], paths[2], options, summary, error)) {
        std::fprintf(stderr, "mkpayload: %s not written:\n%s\n", paths[2], error.c_str());
        return 1;
    }
    std::printf("mkpayload: %s: %zu entries, %llu bytes\n", paths[2], summary.entries,
                static_cast<unsigned long long>(summary.bytes));
    return 0;
}
