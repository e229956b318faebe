#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace rarlib {

// Random access to one archive volume. Platform code supplies files; tests and fuzz targets use memory.
class RandomAccessInput {
public:
    virtual ~RandomAccessInput() = default;
    virtual uint64_t size() const = 0;
    // Reads exactly `size` bytes at `offset`; false on any error or when the input is shorter.
    virtual bool readAt(uint64_t offset, uint8_t* dst, size_t size) = 0;
};

class MemoryInput final : public RandomAccessInput {
public:
    explicit MemoryInput(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint64_t size() const override { return bytes_.size(); }
    bool readAt(uint64_t offset, uint8_t* dst, size_t size) override;

private:
    std::span<const uint8_t> bytes_;
};

} // namespace rarlib
