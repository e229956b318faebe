#include "archive/ArchiveExtract.h"
#include "archive/ArchiveOpenCount.h"
#include "archive/DistUnpack.h"
#include "archive/UnRAR.h"
#include "common/CommonUtils.h"
#include "common/SetupError.h"
#include "tests/support/StoredRar.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

using namespace zarvo;
using zarvo::testing::Crc32;
using zarvo::testing::ProgramFolder;
using zarvo::testing::ReadBinaryFile;
using zarvo::testing::StoredRar;
using zarvo::testing::TempFolder;
using zarvo::testing::WinePath;
using zarvo::testing::WriteTextFile;

namespace {

const std::string kHelpName = "\x91\xaf\xe0\xa0\xa2\xaa\xa0.txt"; // CP866 "Справка.txt"

// The packed data and the header of the index-th file entry of an archive's bytes.
struct TEntrySpan {
    size_t header = 0, headerSize = 0, data = 0, dataSize = 0;
};

TEntrySpan FileEntry(const std::string& bytes, size_t wanted) {
    auto u16 = [&](size_t at) {
        return size_t(uint8_t(bytes[at])) | size_t(uint8_t(bytes[at + 1])) << 8;
    };
    size_t at = 7; // after the marker
    for (size_t files = 0; at + 7 <= bytes.size();) {
        size_t size = u16(at + 5);
        size_t added = (u16(at + 3) & 0x8000) ? (u16(at + 7) | u16(at + 9) << 16) : 0;
        if (uint8_t(bytes[at + 2]) == 0x74 && files++ == wanted)
            return {at, size, at + size, added};
        at += size + added;
    }
    ADD_FAILURE() << "no file entry " << wanted;
    return {};
}

enum class TDamage { None, Data, Header };

std::string Damaged(std::string bytes, size_t entry, TDamage damage) {
    TEntrySpan span = FileEntry(bytes, entry);
    if (damage == TDamage::Data)
        bytes[span.data + span.dataSize / 2] ^= 0x55;
    else if (damage == TDamage::Header)
        bytes[span.header + span.headerSize - 1] ^= 0x55; // the name's last byte: the header CRC fails
    return bytes;
}

// What a folder holds, one line per file or folder: path, attributes, and for files the write time and
// the data's size and CRC.
std::vector<std::string> Tree(const std::wstring& folder, const std::wstring& relative = L"") {
    std::vector<std::string> items;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return items;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        std::ostringstream item;
        item << WideToUtf8(relative + name) << " attr=" << std::hex << data.dwFileAttributes;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            items.push_back(item.str());
            for (std::string& inner : Tree(folder + L"\\" + name, relative + name + L"\\"))
                items.push_back(std::move(inner));
            continue;
        }
        std::string bytes = ReadBinaryFile(folder + L"\\" + name);
        item << " time=" << data.ftLastWriteTime.dwHighDateTime << ":" << data.ftLastWriteTime.dwLowDateTime
             << " size=" << std::dec << bytes.size() << " crc=" << std::hex << Crc32(bytes);
        items.push_back(item.str());
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(items.begin(), items.end());
    return items;
}

std::wstring CurrentFolder() {
    wchar_t current[MAX_PATH];
    DWORD length = GetCurrentDirectoryW(MAX_PATH, current);
    return std::wstring(current, length);
}

// Staging folders of this process left in the temporary folder.
size_t StagingLeftovers() {
    size_t count = 0;
    WIN32_FIND_DATAW data;
    std::wstring pattern = GetTempFolder() + L"ZarvoUnpack-" + std::to_wstring(GetCurrentProcessId()) + L"-*";
    HANDLE find = FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    do
        ++count;
    while (FindNextFileW(find, &data));
    FindClose(find);
    return count;
}

struct TRun {
    std::vector<bool> outcomes;
    bool raised = false;
    bool endsInTarget = false;
};

// A file already in the target folder: read-only, or held open without sharing during the run.
struct TInTheWay {
    const wchar_t* name = nullptr;
    bool heldOpen = false;
};

// One way of unpacking a list into a fresh folder.
TRun Run(const std::function<void(std::vector<bool>&)>& unpack, const std::wstring& target,
         TInTheWay inTheWay) {
    TRun run;
    CreateDirectoryW(target.c_str(), nullptr);
    HANDLE held = INVALID_HANDLE_VALUE;
    if (inTheWay.name != nullptr) {
        std::wstring path = target + L"\\" + inTheWay.name;
        WriteTextFile(path, "in the way");
        // The same time in both runs, so that an untouched file compares equal.
        FILETIME fixed{0x32884000, 0x01c53c10};
        HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        SetFileTime(file, nullptr, nullptr, &fixed);
        CloseHandle(file);
        if (inTheWay.heldOpen)
            held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        else
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    }
    try {
        unpack(run.outcomes);
    } catch (const ESetupError&) {
        run.raised = true;
    }
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);
    run.endsInTarget = CurrentFolder() == target;
    SetCurrentDirectoryW(ProgramFolder().c_str());
    return run;
}

TRun LineByLine(const std::wstring& archive, const std::vector<std::wstring>& lines,
                const std::wstring& target, const std::wstring& base, TInTheWay inTheWay) {
    return Run(
        [&](std::vector<bool>& outcomes) {
            for (const std::wstring& line : lines) {
                outcomes.push_back(ExtractArchiveFolder(archive, line, target, base));
                if (!outcomes.back())
                    return;
            }
        },
        target, inTheWay);
}

TRun OnePass(const std::wstring& archive, const std::vector<std::wstring>& lines, const std::wstring& target,
             const std::wstring& base, TInTheWay inTheWay) {
    return Run(
        [&](std::vector<bool>& outcomes) {
            UnpackDistLines(archive, lines, target, base, [&](size_t index, bool unpacked) {
                EXPECT_EQ(index, outcomes.size());
                outcomes.push_back(unpacked);
            });
        },
        target, inTheWay);
}

enum class TPayload { Stored, Demo, Solid, Subdirs };

struct TCase {
    const char* label;
    TPayload payload;
    TDamage damage;
    std::vector<std::wstring> lines; // kDemoList stands for every line of the demo payload's list
    const char* outcomes;            // per line '+' unpacked, '-' failed; "*" all unpacked
    bool oneWalk = false;            // the archive is opened for extraction once
    TInTheWay inTheWay = {};
};

void PrintTo(const TCase& test, std::ostream* out) {
    *out << test.label;
}

const std::wstring kDemoList = L"<demo list>";

// Stored payload: 0 RTW32.dll, 1 Dist.lst, 2 Dist\Orvan.exe, 3 Dist\Orvan.ini, 4 Dist\Справка.txt,
// 5 a name leaving the folder, 6 Dist\Tornel.dll, 7 Dist\Orvan.ini again. Damage hits entry 4 there,
// the middle entry of the demo payload and the first of the solid one.
const TCase kCases[] = {
    {"listed files", TPayload::Stored, TDamage::None, {L"Orvan.exe", L"Справка.txt"}, "++", true},
    {"any case", TPayload::Stored, TDamage::None, {L"справка.TXT"}, "+", true},
    {"trailing blank", TPayload::Stored, TDamage::None, {L"Orvan.exe", L"Orvan.exe "}, "+-", true},
    {"not below Dist", TPayload::Stored, TDamage::None, {L"RTW32.dll", L"Orvan.exe"}, "-"},
    {"prefix of several, the later duplicate wins", TPayload::Stored, TDamage::None, {L"Orvan"}, "+", true},
    {"a match leaving the folder", TPayload::Stored, TDamage::None, {L"Orvan.ini", L"Tornel"}, "+-", true},
    {"empty line up to the name leaving the folder",
     TPayload::Stored,
     TDamage::None,
     {L"Orvan.exe", L""},
     "+-",
     true},
    {"destination held open",
     TPayload::Stored,
     TDamage::None,
     {L"Справка.txt", L"Orvan", L"Tornel.dll"},
     "+-",
     true,
     {L"Orvan.ini", true}},
    {"read-only destination",
     TPayload::Stored,
     TDamage::None,
     {L"Orvan.exe", L"Orvan.exe"},
     "++",
     true,
     {L"Orvan.exe", false}},
    {"damaged data, lines before it",
     TPayload::Stored,
     TDamage::Data,
     {L"Orvan.exe", L"Справка.txt", L"Orvan.ini"},
     "+-"},
    {"damaged data skipped by every line", TPayload::Stored, TDamage::Data, {L"Tornel.dll"}, "+", true},
    {"damaged header after good matches", TPayload::Stored, TDamage::Header, {L"Orvan"}, "-"},
    {"demo list", TPayload::Demo, TDamage::None, {kDemoList}, "*", true},
    {"demo list twice", TPayload::Demo, TDamage::None, {kDemoList, kDemoList}, "*", true},
    {"empty line of the demo", TPayload::Demo, TDamage::None, {L"", L"Orvan.exe"}, "++", true},
    {"demo data damaged in the middle", TPayload::Demo, TDamage::Data, {kDemoList}, "++++-"},
    {"demo header damaged in the middle", TPayload::Demo, TDamage::Header, {kDemoList}, "-"},
    {"compressed solid", TPayload::Solid, TDamage::None, {L"stest2.txt", L"STEST1"}, "++", true},
    {"compressed solid damaged", TPayload::Solid, TDamage::Data, {L"stest2.txt"}, "-"},
    {"folder entries and deeper folders",
     TPayload::Subdirs,
     TDamage::None,
     {L"dir", L"empty", L"with space\\long"},
     "+++",
     true},
};

class DistUnpack : public ::testing::TestWithParam<TCase> {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(LoadRarLibrary(ProgramFolder() + L"\\Unrar.dll"));
        payloads_ = std::make_unique<TempFolder>(L"zarvo-payloads");
        StoredRar rar;
        rar.Add("RTW32.dll", "runtime")
            .Add("Dist.lst", "Orvan.exe\r\n")
            .Add("Dist\\Orvan.exe", "program")
            .Add("Dist\\Orvan.ini", "[settings]")
            .Add("Dist\\" + kHelpName, "help")
            .Add("Dist\\Tornel\\..\\..\\escaped.txt", "x")
            .Add("Dist\\Tornel.dll", "tornel")
            .Add("Dist\\Orvan.ini", "[second]");
        bytes_[TPayload::Stored] = rar.Bytes();
        bytes_[TPayload::Demo] = ReadBinaryFile(WinePath(ZARVO_DEMO_PAYLOAD));
        bytes_[TPayload::Solid] = ReadBinaryFile(WinePath(ZARVO_TESTDATA_RAR "/rar3-solid.rar"));
        bytes_[TPayload::Subdirs] = ReadBinaryFile(WinePath(ZARVO_TESTDATA_RAR "/rar3-subdirs.rar"));

        ASSERT_TRUE(ExtractArchiveFile(WinePath(ZARVO_DEMO_PAYLOAD), payloads_->Path(), L"Dist.lst"));
        std::istringstream list(ReadBinaryFile(*payloads_ / L"Dist.lst"));
        for (std::string line; std::getline(list, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            demoList_.push_back(OemToAnsi(line));
        }
        ASSERT_GE(demoList_.size(), 7u);
    }
    static void TearDownTestSuite() {
        payloads_.reset();
        FreeRarLibrary();
    }

    // The payload of the case, damaged as asked, as a file.
    std::wstring Payload(const TCase& test) {
        const std::string& bytes = bytes_[test.payload];
        size_t entry = test.payload == TPayload::Stored ? 4 : test.payload == TPayload::Demo ? 6 : 0;
        std::wstring path = work_ / L"payload.rar";
        EXPECT_TRUE(
            WriteTextFile(path, test.damage == TDamage::None ? bytes : Damaged(bytes, entry, test.damage)));
        return path;
    }

    std::vector<std::wstring> Lines(const TCase& test) {
        std::vector<std::wstring> lines;
        for (const std::wstring& line : test.lines) {
            if (line == kDemoList)
                lines.insert(lines.end(), demoList_.begin(), demoList_.end());
            else
                lines.push_back(line);
        }
        return lines;
    }

    static std::wstring Base(const TCase& test) {
        return test.payload == TPayload::Solid ? L"" : test.payload == TPayload::Subdirs ? L"sub" : L"Dist";
    }

    static inline std::unique_ptr<TempFolder> payloads_;
    static inline std::map<TPayload, std::string> bytes_;
    static inline std::vector<std::wstring> demoList_;
    TempFolder work_;
};

} // namespace

// Every line gets what its own walk gives: outcome, files with their bytes, attributes and times, the
// current folder; the one pass opens the archive for extraction once where nothing is damaged.
TEST_P(DistUnpack, GivesWhatEachLinesOwnWalkGives) {
    const TCase& test = GetParam();
    std::wstring payload = Payload(test);
    std::vector<std::wstring> lines = Lines(test);
    std::wstring base = Base(test);

    TRun reference = LineByLine(payload, lines, work_ / L"reference", base, test.inTheWay);
    ResetArchiveOpenCount();
    TRun onePass = OnePass(payload, lines, work_ / L"one pass", base, test.inTheWay);
    TArchiveOpenCount opens = ArchiveOpenCount();

    std::string expected = test.outcomes;
    if (expected == "*")
        expected = std::string(lines.size(), '+');
    std::string got;
    for (bool unpacked : reference.outcomes)
        got += unpacked ? '+' : '-';
    EXPECT_EQ(got, expected);

    EXPECT_EQ(onePass.outcomes, reference.outcomes);
    EXPECT_FALSE(reference.raised);
    EXPECT_FALSE(onePass.raised);
    EXPECT_EQ(onePass.endsInTarget, reference.endsInTarget);
    EXPECT_EQ(Tree(work_ / L"one pass"), Tree(work_ / L"reference"));
    if (test.oneWalk) {
        EXPECT_EQ(opens.extraction, 1u);
        EXPECT_LE(opens.listing, 1u);
    }
    EXPECT_EQ(StagingLeftovers(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Variants, DistUnpack, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<TCase>& info) {
                             std::string name;
                             for (const char* c = info.param.label; *c; ++c)
                                 name += std::isalnum(uint8_t(*c)) ? *c : '_';
                             return name;
                         });

TEST(DistUnpackTarget, AFolderThatCannotBeMadeCurrentRaisesAtTheFirstMatchLikeTheWalk) {
    ASSERT_TRUE(LoadRarLibrary(ProgramFolder() + L"\\Unrar.dll"));
    TempFolder work;
    std::wstring payload = WinePath(ZARVO_DEMO_PAYLOAD);
    std::wstring missing = work / L"missing";
    std::vector<std::wstring> lines{L"Orvan.exe"};
    bool reported = false;
    EXPECT_THROW(ExtractArchiveFolder(payload, lines[0], missing, L"Dist"), ESetupError);
    EXPECT_THROW(UnpackDistLines(payload, lines, missing, L"Dist", [&](size_t, bool) { reported = true; }),
                 ESetupError);
    EXPECT_FALSE(reported);
    EXPECT_EQ(StagingLeftovers(), 0u);
    SetCurrentDirectoryW(ProgramFolder().c_str());
    FreeRarLibrary();
}
