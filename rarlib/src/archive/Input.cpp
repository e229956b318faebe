#include "archive/Input.h"

#include <cstring>

namespace rarlib {

bool MemoryInput::readAt(uint64_t offset, uint8_t* dst, size_t size) {
    if (offset > bytes_.size() || size > bytes_.size() - offset) {
        return false;
    }
    if (size > 0) {
        std::memcpy(dst, bytes_.data() + offset, size);
    }
    return true;
}

} // namespace rarlib
