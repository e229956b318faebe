// Where an entry's bytes come from: a file of the product or text made in memory (Dist.lst).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace mkpayload {

class TDataSource {
public:
    virtual ~TDataSource() = default;
    // Fills up to buffer.size() bytes; `got` is 0 at the end. False (with `error`) on a read error.
    virtual bool Read(std::span<uint8_t> buffer, size_t& got, std::string& error) = 0;
};

class TMemorySource final : public TDataSource {
public:
    explicit TMemorySource(std::span<const uint8_t> data) : data_(data) {}
    bool Read(std::span<uint8_t> buffer, size_t& got, std::string& error) override;

private:
    std::span<const uint8_t> data_;
    size_t position_ = 0;
};

class TFileSource final : public TDataSource {
public:
    TFileSource() = default;
    TFileSource(const TFileSource&) = delete;
    TFileSource& operator=(const TFileSource&) = delete;
    ~TFileSource() override;

    bool Open(const std::filesystem::path& path, std::string& error);
    bool Read(std::span<uint8_t> buffer, size_t& got, std::string& error) override;

private:
    int fd_ = -1;
};

} // namespace mkpayload
