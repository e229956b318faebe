#pragma once
// Builds small stored (uncompressed) RAR archives in memory, for tests that need entries no real
// payload would carry: names that climb out of the target folder, duplicates, odd prefixes.

#include "common/CommonUtils.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zarvo::testing {

class StoredRar {
public:
    // name: the stored name bytes (OEM code page, backslashes).
    StoredRar& Add(const std::string& name, const std::string& data) {
        entries_.emplace_back(name, data);
        return *this;
    }

    std::string Bytes() const {
        std::string out("Rar!\x1a\x07\x00", 7);
        Block(out, 0x73, 0x0008, std::string(6, '\0')); // solid, like the payload
        for (const auto& [name, data] : entries_) {
            std::string fields;
            Put32(fields, uint32_t(data.size())); // packed size = ADD_SIZE
            Put32(fields, uint32_t(data.size()));
            fields += '\x02'; // Win32 host
            Put32(fields, Crc32(data));
            Put32(fields, 0x32884000); // 8 Apr 2005 08:00
            fields += '\x1d';          // unpack version 2.9
            fields += '\x30';          // stored
            Put16(fields, uint16_t(name.size()));
            Put32(fields, FILE_ATTRIBUTE_ARCHIVE);
            fields += name;
            Block(out, 0x74, 0x8000, fields);
            out += data;
        }
        Block(out, 0x7b, 0x4000, "");
        return out;
    }

private:
    static void Put16(std::string& out, uint16_t v) {
        out += char(v & 0xff);
        out += char(v >> 8);
    }
    static void Put32(std::string& out, uint32_t v) {
        Put16(out, uint16_t(v & 0xffff));
        Put16(out, uint16_t(v >> 16));
    }
    // HEAD_CRC is the low half of the CRC32 of everything after it.
    static void Block(std::string& out, uint8_t type, uint16_t flags, const std::string& fields) {
        std::string header;
        header += char(type);
        Put16(header, flags);
        Put16(header, uint16_t(7 + fields.size()));
        header += fields;
        Put16(out, uint16_t(Crc32(header) & 0xffff));
        out += header;
    }

    std::vector<std::pair<std::string, std::string>> entries_;
};

} // namespace zarvo::testing
