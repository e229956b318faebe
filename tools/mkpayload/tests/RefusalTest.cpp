#include "TestSupport.h"

#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace mkpayload::test {
namespace {

struct TPaths {
    std::filesystem::path product;
    std::filesystem::path runtime;
    std::filesystem::path output;
};

struct TRefusal {
    const char* what;
    std::function<void(TPaths&)> arrange;
    const char* message; // a part of what stderr must say
};

std::set<std::string> Listing(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

void Add(const std::filesystem::path& path, const std::string& bytes = "data") {
    WriteFile(path, bytes);
}

const TRefusal kRefusals[] = {
    {"name outside CP866", [](TPaths& p) { Add(p.product / "smörgås.txt"); }, "U+00F6"},
    {"nested folder", [](TPaths& p) { std::filesystem::create_directory(p.product / "sub"); },
     "sub: is a folder"},
    {"link to a folder",
     [](TPaths& p) { std::filesystem::create_directory_symlink(p.runtime.parent_path(), p.product / "up"); },
     "up: is a folder"},
    {"missing runtime library", [](TPaths& p) { std::filesystem::remove(p.runtime); },
     "RTW32.dll: No such file or directory"},
    {"runtime library under another name", [](TPaths& p) { p.runtime = p.product / "keep.txt"; },
     "must be named RTW32.dll"},
    {"empty product folder", [](TPaths& p) { std::filesystem::remove(p.product / "keep.txt"); },
     "has no files"},
    {"missing product folder", [](TPaths& p) { p.product /= "absent"; }, "absent: No such file or directory"},
    {"dangling link", [](TPaths& p) { std::filesystem::create_symlink("nowhere", p.product / "gone.txt"); },
     "gone.txt: No such file or directory"},
    {"named pipe", [](TPaths& p) { ::mkfifo((p.product / "pipe").c_str(), 0600); },
     "pipe: is not a plain file"},
    {"names differing in case",
     [](TPaths& p) {
         Add(p.product / "Readme.txt");
         Add(p.product / "README.TXT");
     },
     "README.TXT and Readme.txt: the names differ only in letter case"},
    {"Cyrillic names differing in case",
     [](TPaths& p) {
         Add(p.product / "Ёлка.txt");
         Add(p.product / "ёЛКА.txt");
     },
     "differ only in letter case"},
    {"file of 0xFFFFFFFF bytes",
     [](TPaths& p) {
         Add(p.product / "huge.bin", "");
         std::filesystem::resize_file(p.product / "huge.bin", 0xFFFFFFFFull);
     },
     "huge.bin: is 4294967295 bytes"},
    {"colon", [](TPaths& p) { Add(p.product / "a:b.txt"); }, "a:b.txt: has the character ':'"},
    {"backslash", [](TPaths& p) { Add(p.product / "a\\b.txt"); }, "has the character '\\'"},
    {"device name", [](TPaths& p) { Add(p.product / "con.txt"); }, "con.txt: is a reserved device name"},
    {"numbered device name", [](TPaths& p) { Add(p.product / "LPT1"); }, "LPT1: is a reserved device name"},
    {"trailing dot", [](TPaths& p) { Add(p.product / "notes."); }, "ends in a dot or a space"},
    {"trailing space", [](TPaths& p) { Add(p.product / "notes "); }, "ends in a dot or a space"},
    {"line break in a name", [](TPaths& p) { Add(p.product / "two\nlines"); },
     "two\\x0Alines: has a control character"},
    {"name that is not UTF-8", [](TPaths& p) { Add(p.product / "\xFF.txt"); }, "\\xFF.txt: cannot be stored"},
    {"name too long for the installer", [](TPaths& p) { Add(p.product / std::string(255, 'n')); },
     "this one has 260"},
    {"output inside the product folder", [](TPaths& p) { p.output = p.product / "payload.rar"; },
     "must not be inside the product folder"},
    // /proc files claim size 0 but deliver data: a file that changes after it was looked at. The
    // run fails after several entries were written, so the output must still be untouched.
    {"file changing while packed",
     [](TPaths& p) { std::filesystem::create_symlink("/proc/self/status", p.product / "zz-status"); },
     "changed while being packed"},
};

TEST(MkpayloadRefusal, RefusesWithAMessageAndLeavesTheOutputAlone) {
    for (const TRefusal& refusal : kRefusals) {
        SCOPED_TRACE(refusal.what);
        TempDir temp;
        TPaths paths{temp.path() / "product", temp.path() / "lib" / "RTW32.dll",
                     temp.path() / "out" / "payload.rar"};
        std::filesystem::create_directories(paths.product);
        std::filesystem::create_directories(paths.runtime.parent_path());
        std::filesystem::create_directories(paths.output.parent_path());
        Add(paths.product / "keep.txt");
        Add(paths.runtime);
        refusal.arrange(paths);
        const std::string previous = "previous archive";
        WriteFile(paths.output, previous);
        const std::set<std::string> before = Listing(paths.output.parent_path());

        const TRunResult run = RunMkpayload(paths.product, paths.runtime, paths.output);

        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find(refusal.message), std::string::npos) << run.err;
        EXPECT_EQ(ReadFile(paths.output), previous);
        EXPECT_EQ(Listing(paths.output.parent_path()), before) << "a temporary file was left";
    }
}

TEST(MkpayloadRefusal, ListsEveryProblemAtOnce) {
    TempDir temp;
    const std::filesystem::path product = temp.path() / "product";
    std::filesystem::create_directories(product / "sub");
    Add(product / "a:b");
    Add(product / "€.txt");
    const TRunResult run = RunMkpayload(product, temp.path() / "RTW32.dll", temp.path() / "out.rar");
    EXPECT_EQ(run.exitCode, 1);
    for (const char* part :
         {"RTW32.dll: No such file", "sub: is a folder", "a:b: has the character", "U+20AC"}) {
        EXPECT_NE(run.err.find(part), std::string::npos) << part << " in:\n" << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(temp.path() / "out.rar"));
}

} // namespace
} // namespace mkpayload::test
