// rartool as a program: the "t" line format, exit codes, listing and extraction.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sstream>
#include <sys/wait.h>

#include "support/Manifest.h"
#include "support/TempDir.h"

namespace rarlib::test {
namespace {

struct ToolRun {
    int exitCode = -1;
    std::vector<std::string> lines;
};

ToolRun rartool(const std::string& args) {
    ToolRun run;
    const std::string command = std::string(RARTOOL_PATH) + " " + args + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return run;
    }
    std::string output;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        output.append(buffer.data(), n);
    }
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        run.lines.push_back(line);
    }
    return run;
}

std::string quoted(const std::string& s) {
    return "'" + s + "'";
}

TEST(Rartool, TestPrintsOneLinePerEntryAsTheManifestExpects) {
    // compress_best: PPMd through the tool's unsanitized build, whose model heap is mapped pages.
    for (const char* archive :
         {"test_read_format_rar_compress_normal.rar", "test_read_format_rar_compress_best.rar",
          "rar3-subdirs.rar", "rar3-vols.part1.rar"}) {
        const ToolRun run = rartool("t " + quoted(fixturePath(archive)));
        EXPECT_EQ(run.exitCode, 0) << archive;
        const auto& m = findManifestArchive(archive);
        ASSERT_EQ(run.lines.size(), m.entries.size()) << archive;
        for (size_t i = 0; i < m.entries.size(); ++i) {
            const ManifestRow& row = m.entries[i];
            std::string want;
            if (row.expected == "dir") {
                want = row.entry + "\t0\t-\t-\tdir";
            } else {
                want = row.entry + "\t" + std::to_string(*row.size) + "\t" + row.crc32 + "\t" + row.sha256 +
                       "\tok";
            }
            EXPECT_EQ(run.lines[i], want);
        }
    }
}

TEST(Rartool, ReportsFailedEntriesAndExitsNonZero) {
    const ToolRun run = rartool("t " + quoted(fixturePath("test_read_format_rar4_encrypted.rar")));
    EXPECT_EQ(run.exitCode, 1);
    ASSERT_EQ(run.lines.size(), 4u);
    EXPECT_EQ(run.lines[1], "b.txt\t18\t-\t-\tERAR_MISSING_PASSWORD");
    EXPECT_TRUE(run.lines[2].ends_with("\tok"));

    EXPECT_EQ(rartool("t " + quoted(fixturePath("test_read_format_rar_endarc_huge.rar"))).exitCode, 1);
    EXPECT_EQ(rartool("t /nonexistent/archive.rar").exitCode, 1);
    EXPECT_EQ(rartool("q something").exitCode, 2);
    EXPECT_EQ(rartool("t").exitCode, 2);
}

TEST(Rartool, ListsAndExtracts) {
    const ToolRun list = rartool("l " + quoted(fixturePath("rar3-readonly-unix.rar")));
    EXPECT_EQ(list.exitCode, 0);
    ASSERT_EQ(list.lines.size(), 2u);
    EXPECT_TRUE(list.lines[0].starts_with("ro_dir/ro_file.txt\t9\t9\t818d2276\t0x30\t"));

    TempDir dir;
    const ToolRun x = rartool("x " + quoted(fixturePath("test_read_format_rar_sfx.exe")) + " " +
                              quoted(dir.path().string()));
    EXPECT_EQ(x.exitCode, 0);
    EXPECT_TRUE(x.lines.empty());
    EXPECT_EQ(readFile((dir.path() / "testdir" / "test.txt").string()).size(), 16u);
    EXPECT_EQ(readFile((dir.path() / "testshortcut.lnk").string()).size(), 441u);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "testemptydir"));
}

} // namespace
} // namespace rarlib::test
