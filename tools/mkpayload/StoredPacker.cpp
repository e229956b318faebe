#include "StoredPacker.h"

namespace mkpayload {

bool TStoredPacker::EndEntry(TByteSink& /*out*/, TPackedForm& form) {
    form = TPackedForm{.method = 0x30, .unpackVersion = 20, .dictionaryBits = 0, .continuesSolid = false};
    return true;
}

} // namespace mkpayload
