#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace rarlib {

// SHA-256 (FIPS 180-4): the digest rartool prints for each entry.
class Sha256 {
public:
    Sha256();
    void update(const uint8_t* data, size_t size);
    void update(std::span<const uint8_t> data) { update(data.data(), data.size()); }
    std::array<uint8_t, 32> finish();
    std::string hex();

private:
    void block(const uint8_t* p);

    std::array<uint32_t, 8> h_;
    std::array<uint8_t, 64> buffer_{};
    size_t buffered_ = 0;
    uint64_t length_ = 0;
};

std::string sha256Hex(std::span<const uint8_t> data);

} // namespace rarlib
