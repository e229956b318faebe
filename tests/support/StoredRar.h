#pragma once
// Small stored (uncompressed) RAR archives in memory, for tests that need entries no real payload
// would carry: names that climb out of the target folder, duplicates, odd prefixes. The bytes come from
// the library tests' archive writer; this front gives them the payload's solid main header, its unpack
// version and the Windows tests' byte strings.

#include "rarlib/tests/support/ArchiveBuilder.h"

#include <string>
#include <vector>

namespace zarvo::testing {

class StoredRar {
public:
    // name: the stored name bytes (OEM code page, backslashes).
    StoredRar& Add(const std::string& name, const std::string& data) {
        rarlib::test::BuildEntry entry = rarlib::test::storedFile(name, data);
        entry.unpVer = 29;
        entry.dosTime = 0x32884000; // 8 Apr 2005 08:00
        builder_.add(std::move(entry));
        return *this;
    }

    std::string Bytes() const {
        std::vector<uint8_t> bytes = builder_.build();
        return std::string(bytes.begin(), bytes.end());
    }

private:
    rarlib::test::ArchiveBuilder builder_ = rarlib::test::ArchiveBuilder().mainFlags(0x0008); // solid
};

} // namespace zarvo::testing
