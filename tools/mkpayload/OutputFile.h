// The archive being written. It goes to a temporary file beside the output and takes the output's
// name only on Commit, so a failed or interrupted run never leaves a partial archive behind.
#pragma once

#include "DataPacker.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace mkpayload {

class TOutputFile final : public TByteSink {
public:
    TOutputFile() = default;
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;
    ~TOutputFile() override; // removes the temporary file unless committed

    bool Create(const std::filesystem::path& path, std::string& error);
    bool Write(std::span<const uint8_t> bytes) override;
    // Overwrites bytes already written (headers completed after their data).
    bool WriteAt(uint64_t offset, std::span<const uint8_t> bytes);
    uint64_t Size() const { return size_; }
    bool Commit(std::string& error);

    // The first write error, for the message.
    const std::string& Error() const { return error_; }

    // Removes the temporary file when the process is stopped by a signal.
    static void RemoveTemporaryOnSignals();

private:
    bool Flush();
    bool Fail(const char* what);

    int fd_ = -1;
    std::filesystem::path path_;
    std::filesystem::path temporary_;
    std::vector<uint8_t> buffer_;
    uint64_t size_ = 0;
    std::string error_;
    bool committed_ = false;
};

} // namespace mkpayload
