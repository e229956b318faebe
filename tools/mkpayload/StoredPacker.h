#pragma once

#include "DataPacker.h"

namespace mkpayload {

// Method 0x30: the data as it is. A stored entry starts no compressed stream, so it never
// claims to continue one, even in a solid archive.
class TStoredPacker final : public TDataPacker {
public:
    void BeginEntry(uint64_t /*unpackedSize*/) override {}
    bool Pack(std::span<const uint8_t> data, TByteSink& out) override { return out.Write(data); }
    bool EndEntry(TByteSink& out, TPackedForm& form) override;
};

} // namespace mkpayload
