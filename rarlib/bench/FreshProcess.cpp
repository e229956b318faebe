#include "FreshProcess.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "BenchReaders.h"

namespace rarbench {
namespace {

// The high-water mark of this process's memory. After execve it covers only this program; the
// rusage figure would also count the parent's pages from before the exec.
long long residentHighWater() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            long long kb = 0;
            status >> kb;
            return kb * 1024;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

} // namespace

std::optional<FreshRun> runFresh(const std::string& reader, const std::string& archive) {
    int fds[2];
    if (pipe(fds) != 0) {
        return std::nullopt;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return std::nullopt;
    }
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        const char* args[] = {"rarbench", "--fresh", reader.c_str(), archive.c_str(), nullptr};
        execv("/proc/self/exe", const_cast<char* const*>(args));
        _exit(127);
    }
    close(fds[1]);
    std::string text;
    char buf[128];
    for (ssize_t n; (n = read(fds[0], buf, sizeof(buf))) > 0;) {
        text.append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    FreshRun run;
    std::istringstream in(text);
    if (!(in >> run.seconds >> run.bytes >> run.peakBytes)) {
        return std::nullopt;
    }
    return run;
}

int freshChild(const std::string& reader, const std::string& archive) {
    Measure m;
    const auto t0 = std::chrono::steady_clock::now();
    if (reader == "rarlib") {
        m = readWithRarlib(archive);
    } else if (reader == "libarchive") {
        m = readWithLibarchive(archive);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (!m.complete) {
        return 1;
    }
    std::printf("%.9f %llu %lld\n", seconds, static_cast<unsigned long long>(m.bytes), residentHighWater());
    return 0;
}

} // namespace rarbench
