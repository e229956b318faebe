#include "TestSupport.h"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

namespace mkpayload::test {
namespace {

bool IsOctalEscape(const std::string& digits) {
    return digits[0] >= '0' && digits[0] <= '3' && digits[1] >= '0' && digits[1] <= '7' && digits[2] >= '0' &&
           digits[2] <= '7';
}

} // namespace

TRunResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment) {
    TempDir capture;
    const std::filesystem::path outPath = capture.path() / "out";
    const std::filesystem::path errPath = capture.path() / "err";
    const pid_t pid = ::fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(out, 1);
        ::dup2(err, 2);
        for (const std::string& entry : environment) {
            const size_t eq = entry.find('=');
            ::setenv(entry.substr(0, eq).c_str(), entry.substr(eq + 1).c_str(), 1);
        }
        std::vector<char*> args;
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    TRunResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
    return result;
}

TRunResult RunMkpayload(const std::filesystem::path& product, const std::filesystem::path& runtime,
                        const std::filesystem::path& output, const std::vector<std::string>& environment,
                        const std::vector<std::string>& options) {
    std::vector<std::string> argv = {MKPAYLOAD_EXE};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.insert(argv.end(), {product.string(), runtime.string(), output.string()});
    return RunProgram(argv, environment);
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes, std::time_t modified) {
    std::ofstream(path, std::ios::binary) << bytes;
    if (modified != 0) {
        const utimbuf times{modified, modified};
        ::utime(path.c_str(), &times);
    }
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> BsdtarList(const std::filesystem::path& archive) {
    const TRunResult listing = RunProgram({"bsdtar", "-tf", archive.string()});
    if (listing.exitCode != 0) {
        throw std::runtime_error("bsdtar -tf failed: " + listing.err);
    }
    std::vector<std::string> names;
    std::istringstream lines(listing.out);
    for (std::string line; std::getline(lines, line);) {
        std::string name;
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 3 < line.size() && IsOctalEscape(line.substr(i + 1, 3))) {
                name += static_cast<char>(std::stoi(line.substr(i + 1, 3), nullptr, 8));
                i += 3;
            } else if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '\\') {
                name += '\\';
                ++i;
            } else {
                name += line[i];
            }
        }
        names.push_back(name);
    }
    return names;
}

TRunResult BsdtarExtract(const std::filesystem::path& archive, const std::string& name) {
    return RunProgram({"bsdtar", "-xOf", archive.string(), name});
}

std::vector<TStoredEntry> WalkFileHeaders(const std::string& archive) {
    const auto u8 = [&](size_t at) {
        return static_cast<uint8_t>(archive.at(at));
    };
    const auto u16 = [&](size_t at) {
        return static_cast<uint16_t>(u8(at) | (u8(at + 1) << 8));
    };
    const auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(u16(at) | (u16(at + 2) << 16));
    };
    std::vector<TStoredEntry> entries;
    size_t pos = 7 + 13; // marker and main header
    while (pos + 7 <= archive.size() && u8(pos + 2) == 0x74) {
        TStoredEntry entry;
        entry.flags = u16(pos + 3);
        entry.packedSize = u32(pos + 7);
        entry.size = u32(pos + 11);
        entry.crc = u32(pos + 16);
        entry.hostOs = u8(pos + 15);
        entry.dosTime = u32(pos + 20);
        entry.unpackVersion = u8(pos + 24);
        entry.method = u8(pos + 25);
        entry.attributes = u32(pos + 28);
        entry.name = archive.substr(pos + 32, u16(pos + 26));
        entries.push_back(entry);
        pos += u16(pos + 5) + u32(pos + 7);
    }
    return entries;
}

std::string RandomBytes(size_t size, uint32_t seed) {
    std::mt19937 engine(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(engine() >> 24);
    }
    return bytes;
}

std::string CallHeavyCode(size_t size, uint32_t seed, size_t at) {
    std::mt19937 engine(seed);
    std::vector<uint32_t> routines(40);
    for (uint32_t& r : routines) {
        r = engine() % 0x200000;
    }
    std::string bytes;
    while (bytes.size() < size) {
        if (engine() % 4 == 0) {
            // The operand is relative to the end of the instruction.
            const uint32_t target = routines[engine() % routines.size()];
            const uint32_t relative = target - static_cast<uint32_t>(at + bytes.size() + 5);
            bytes += static_cast<char>(engine() % 3 == 0 ? 0xE9 : 0xE8);
            for (int k = 0; k < 4; ++k) {
                bytes += static_cast<char>(relative >> (8 * k));
            }
        } else {
            bytes += static_cast<char>(engine() % 7 == 0 ? 0x8B : engine() >> 24);
        }
    }
    bytes.resize(size);
    return bytes;
}

std::string SyntheticPe(uint16_t machine, const std::vector<TPeSection>& sections, size_t size,
                        uint32_t seed) {
    std::string pe = CallHeavyCode(size, seed);
    const auto put16 = [&pe](size_t at, uint32_t v) {
        pe[at] = static_cast<char>(v);
        pe[at + 1] = static_cast<char>(v >> 8);
    };
    const auto put32 = [&](size_t at, uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    constexpr uint32_t kPe = 0x80;
    constexpr uint32_t kOptionalHeader = 0xE0;
    pe[0] = 'M';
    pe[1] = 'Z';
    put32(0x3C, kPe);
    put32(kPe, 0x00004550);
    put16(kPe + 4, machine);
    put16(kPe + 6, static_cast<uint32_t>(sections.size()));
    put16(kPe + 20, kOptionalHeader);
    for (size_t i = 0; i < sections.size(); ++i) {
        const size_t at = kPe + 24 + kOptionalHeader + 40 * i;
        put32(at + 16, sections[i].size);
        put32(at + 20, sections[i].offset);
        put32(at + 36, sections[i].characteristics);
    }
    return pe;
}

} // namespace mkpayload::test
