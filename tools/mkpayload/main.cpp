// mkpayload: packs a product folder into the installer's payload archive.
#include "OutputFile.h"
#include "Payload.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr const char* kUsage =
    R"(Usage: mkpayload PRODUCT_DIR RTW32_DLL OUTPUT.rar

Packs the product's files into the installer's payload archive (RAR 2.9 format, solid flag set,
single volume, unencrypted, entry names in CP866 with backslashes). Entries, in this order:
  RTW32.dll        the runtime library RTW32_DLL (the file must be named RTW32.dll)
  Dist.lst         the distribution list: every product file's name, sorted by its CP866 bytes,
                   one per line, CRLF line ends, CP866
  Dist\<name>      every file of PRODUCT_DIR, in Dist.lst's order
Data is stored (method 0x30). The same input always gives the same archive bytes.

PRODUCT_DIR must hold plain files only (no folders) whose names Windows accepts, that CP866 can
encode, that differ in more than letter case and that fit the installer's 260-byte name field;
each file must be smaller than 4 GiB - 1 byte. Anything else is refused with a message and exit
code 1, and OUTPUT.rar is then left as it was. Exit code 2: wrong command line.
)";

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc != 4) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    mkpayload::TOutputFile::RemoveTemporaryOnSignals();
    mkpayload::TPayloadSummary summary;
    std::string error;
    if (!mkpayload::BuildPayload(argv[1], argv[2], argv[3], summary, error)) {
        std::fprintf(stderr, "mkpayload: %s not written:\n%s\n", argv[3], error.c_str());
        return 1;
    }
    std::printf("mkpayload: %s: %zu entries, %llu bytes\n", argv[3], summary.entries,
                static_cast<unsigned long long>(summary.bytes));
    return 0;
}
