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

#include <algorithm>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

using namespace zarvo;
using namespace zarvo::testing;

namespace {

// The index-th file entry of an archive's bytes, damaged in the middle of its data or in its name (the
// header CRC then fails).
enum class TDamage { None, Data, Header };

std::string Damaged(std::string bytes, size_t wanted, TDamage damage) {
    auto u16 = [&](size_t at) {
        return size_t(uint8_t(bytes[at])) | size_t(uint8_t(bytes[at + 1])) << 8;
    };
    for (size_t at = 7, files = 0; damage != TDamage::None && at + 11 <= bytes.size();) {
        size_t size = u16(at + 5), data = (u16(at + 3) & 0x8000) ? u16(at + 7) | u16(at + 9) << 16 : 0;
        if (uint8_t(bytes[at + 2]) == 0x74 && files++ == wanted) {
            bytes[damage == TDamage::Data ? at + size + data / 2 : at + size - 1] ^= 0x55;
            break;
        }
        at += size + data;
    }
    return bytes;
}

// One line per file or folder below a folder: path, attributes, and for files write time, size and CRC.
void AddTree(const std::wstring& folder, const std::wstring& relative, std::vector<std::string>& items) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &data)) {
        std::wstring name = data.cFileName, path = folder + L"\\" + name;
        if (name == L"." || name == L"..")
            continue;
        std::ostringstream item;
        item << WideToUtf8(relative + name) << " attr=" << std::hex << data.dwFileAttributes;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            AddTree(path, relative + name + L"\\", items);
        } else {
            std::string bytes = ReadBinaryFile(path);
            item << " time=" << data.ftLastWriteTime.dwHighDateTime << ":"
                 << data.ftLastWriteTime.dwLowDateTime << " size=" << bytes.size() << " crc=" << Crc32(bytes);
        }
        items.push_back(item.str());
    }
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    std::sort(items.begin(), items.end());
}

std::vector<std::string> Tree(const std::wstring& folder) {
    std::vector<std::string> items;
    AddTree(folder, L"", items);
    return items;
}

bool StagingLeftBehind(const std::wstring& parent) {
    WIN32_FIND_DATAW data;
    std::wstring pattern = parent + L"\\ZarvoUnpack-*";
    HANDLE find = FindFirstFileW(pattern.c_str(), &data);
    if (find != INVALID_HANDLE_VALUE)
        FindClose(find);
    return find != INVALID_HANDLE_VALUE;
}

enum class TPayload { Stored, Demo, Solid, Subdirs };
enum class TInTheWay { None, Held, ReadOnly, NoTarget };
// Staging in the target folder; or none to be had; or a drive that is full once that many entries are
// staged.
enum class TStaging { InTarget, None, FullAfter1, FullAfter3 };

struct TCase {
    const char* label;
    TPayload payload;
    std::vector<std::wstring> lines; // kDemoList stands for every line of the demo payload's list
    const char* outcomes;            // per line '+' unpacked, '-' failed; "*" all unpacked; "!" raises
    bool oneWalk = false;            // the archive is opened for extraction once
    TDamage damage = TDamage::None;
    size_t damagedEntry = 0;
    TInTheWay inTheWay = TInTheWay::None; // a file named as the last line, or no target folder at all
    TStaging staging = TStaging::InTarget;
    bool morePlaced =
        false; // the walk met damage after placing entries that the lines' own walks never reach
};

const std::wstring kDemoList = L"<demo list>";
constexpr auto Stored = TPayload::Stored, Demo = TPayload::Demo, Solid = TPayload::Solid;
constexpr auto Intact = TDamage::None, Data = TDamage::Data, Header = TDamage::Header;
constexpr auto Held = TInTheWay::Held, ReadOnly = TInTheWay::ReadOnly, NoTarget = TInTheWay::NoTarget;
constexpr auto NoneInTheWay = TInTheWay::None;
constexpr auto NoStaging = TStaging::None, FullAfter1 = TStaging::FullAfter1,
               FullAfter3 = TStaging::FullAfter3;

// Stored payload: 0 RTW32.dll, 1 Dist.lst, 2 Dist\Orvan.exe, 3 Dist\Orvan.ini, 4 Dist\Справка.txt, 5 a
// name leaving the folder, 6 Dist\Tornel.dll, 7 Dist\Orvan.ini again.
const TCase kCases[] = {
    {"listed files", Stored, {L"Orvan.exe", L"Справка.txt"}, "++", true},
    {"any case", Stored, {L"справка.TXT"}, "+", true},
    {"trailing blank", Stored, {L"Orvan.exe", L"Orvan.exe "}, "+-", true},
    {"not below Dist", Stored, {L"RTW32.dll", L"Orvan.exe"}, "-"},
    {"prefix of several, the later duplicate wins", Stored, {L"Orvan"}, "+", true},
    {"a match leaving the folder", Stored, {L"Orvan.ini", L"Tornel"}, "+-", true},
    {"empty line up to the name leaving the folder", Stored, {L"Orvan.exe", L""}, "+-", true},
    {"held open", Stored, {L"Справка.txt", L"Orvan.exe", L"Orvan.ini"}, "++-", true, Intact, 0, Held},
    {"read-only destination", Stored, {L"Orvan.exe", L"Orvan.exe"}, "++", true, Intact, 0, ReadOnly},
    {"no target folder", Stored, {L"Orvan.exe"}, "!", true, Intact, 0, NoTarget},
    {"damaged data, lines before it", Stored, {L"Orvan.exe", L"Справка.txt", L"Orvan"}, "+-", false, Data, 4},
    {"damaged data skipped by every line", Stored, {L"Tornel.dll"}, "+", true, Data, 4},
    {"damaged header after good matches", Stored, {L"Orvan"}, "-", false, Header, 4},
    {"demo list", Demo, {kDemoList}, "*", true},
    {"demo list twice", Demo, {kDemoList, kDemoList}, "*", true},
    {"empty line of the demo", Demo, {L"", L"Orvan.exe"}, "++", true},
    // The demo payload is compressed: damage in its solid stream reaches every line's walk.
    {"demo data damaged in the middle", Demo, {kDemoList}, "-", false, Data, 6, NoneInTheWay, {}, true},
    {"demo header damaged in the middle", Demo, {kDemoList}, "-", false, Header, 6},
    {"compressed solid", Solid, {L"stest2.txt", L"STEST1"}, "++", true},
    {"compressed solid damaged", Solid, {L"stest2.txt"}, "-", false, Data, 0},
    {"folder entries, deeper folders", TPayload::Subdirs, {L"dir", L"empty", L"with space\\l"}, "+++", true},
    {"an entry placed by two lines", Stored, {L"Orvan.exe", L"Orvan", L"Orvan.exe"}, "+++", true},
    {"no staging to be had", Demo, {kDemoList}, "*", false, Intact, 0, NoneInTheWay, NoStaging},
    {"drive full after the first staged entry",
     Demo,
     {kDemoList},
     "*",
     false,
     Intact,
     0,
     NoneInTheWay,
     FullAfter1},
    {"drive full while staging, read-only destination",
     Stored,
     {L"Справка.txt", L"Orvan", L"Orvan.exe"},
     "+++",
     false,
     Intact,
     0,
     ReadOnly,
     FullAfter3},
};

class DistUnpack : public ::testing::TestWithParam<TCase> {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(LoadRarLibrary(ProgramFolder() + L"\\Unrar.dll"));
        StoredRar rar;
        rar.Add("RTW32.dll", "runtime")
            .Add("Dist.lst", "Orvan.exe\r\n")
            .Add("Dist\\Orvan.exe", "program")
            .Add("Dist\\Orvan.ini", "[settings]")
            .Add("Dist\\\x91\xaf\xe0\xa0\xa2\xaa\xa0.txt", "help")
            .Add("Dist\\Tornel\\..\\..\\escaped.txt", "x")
            .Add("Dist\\Tornel.dll", "tornel")
            .Add("Dist\\Orvan.ini", "[second]");
        bytes_[TPayload::Stored] = rar.Bytes();
        bytes_[TPayload::Demo] = ReadBinaryFile(WinePath(ZARVO_DEMO_PAYLOAD));
        bytes_[TPayload::Solid] = ReadBinaryFile(WinePath(ZARVO_TESTDATA_RAR "/rar3-solid.rar"));
        bytes_[TPayload::Subdirs] = ReadBinaryFile(WinePath(ZARVO_TESTDATA_RAR "/rar3-subdirs.rar"));

        TempFolder list;
        ASSERT_TRUE(ExtractArchiveFile(WinePath(ZARVO_DEMO_PAYLOAD), list.Path(), L"Dist.lst"));
        std::istringstream text(ReadBinaryFile(list / L"Dist.lst"));
        for (std::string line; std::getline(text, line);)
            demoList_.push_back(OemToAnsi(line.substr(0, line.find('\r'))));
        ASSERT_GE(demoList_.size(), 7u);
    }
    static void TearDownTestSuite() { FreeRarLibrary(); }

    struct TRun {
        std::string outcomes;
        bool endsInTarget = false;
        std::vector<std::string> tree;
        bool stagingLeft = false;
        TFailure failure; // of the last line
    };

    // Unpacks into a fresh folder line by line through ExtractArchiveFolder, or in one pass.
    TRun Run(const TCase& test, const std::wstring& payload, const std::vector<std::wstring>& lines,
             bool onePass) {
        std::wstring target = work_ / (onePass ? L"one pass" : L"line by line");
        const wchar_t* const bases[] = {L"Dist", L"Dist", L"", L"sub"}; // by TPayload
        std::wstring base = bases[int(test.payload)];
        if (test.inTheWay != TInTheWay::NoTarget)
            CreateDirectoryW(target.c_str(), nullptr);
        std::wstring inTheWay = target + L"\\" + lines.back();
        HANDLE held = INVALID_HANDLE_VALUE;
        if (test.inTheWay == TInTheWay::Held || test.inTheWay == TInTheWay::ReadOnly) {
            // The same content and time in both runs, so that an untouched file compares equal.
            FILETIME fixed{0x32884000, 0x01c53c10};
            held = CreateFileW(inTheWay.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
            SetFileTime(held, nullptr, nullptr, &fixed);
            if (test.inTheWay == TInTheWay::ReadOnly) {
                CloseHandle(held);
                SetFileAttributesW(inTheWay.c_str(), FILE_ATTRIBUTE_READONLY);
            }
        }
        TRun run;
        struct TRecord final : TLineUnpacked {
            TRun& run;
            explicit TRecord(TRun& into) : run(into) {}
            void LineUnpacked(size_t index, const TFolderExtraction& line) override {
                EXPECT_EQ(index, run.outcomes.size());
                run.outcomes += line.unpacked ? '+' : '-';
                run.failure = line.failure;
            }
        } record(run);
        TUnpackPlace place{test.staging == TStaging::None ? target + L"\\missing" : target};
        // The drive fills up after so many staged files.
        struct TFullAfter final : TPlacementFaults {
            int fullAfter;
            mutable int stagedFiles = 0;
            explicit TFullAfter(int files) : fullAfter(files) {}
            bool PlacementFails(const std::wstring& path) const override {
                return path.find(L"ZarvoUnpack-") != std::wstring::npos && ++stagedFiles > fullAfter;
            }
        } full(test.staging == TStaging::FullAfter1 ? 1 : 3);
        if (test.staging == TStaging::FullAfter1 || test.staging == TStaging::FullAfter3)
            place.faults = &full;
        try {
            if (onePass)
                UnpackDistLines(payload, lines, target, base, place, record);
            for (size_t index = 0;
                 !onePass && run.outcomes.find('-') == std::string::npos && index < lines.size(); ++index) {
                // A target folder that cannot be entered ends the run with an error, as the run does.
                TFolderExtraction line = ExtractArchiveFolder(payload, lines[index], target, base);
                if (line.folderFailed)
                    throw ESetupError(line.failure.text);
                record.LineUnpacked(index, line);
            }
        } catch (const ESetupError&) {
            run.outcomes += '!';
        }
        if (test.inTheWay == TInTheWay::Held)
            CloseHandle(held);
        wchar_t current[MAX_PATH];
        run.endsInTarget = std::wstring(current, GetCurrentDirectoryW(MAX_PATH, current)) == target;
        SetCurrentDirectoryW(ProgramFolder().c_str());
        run.tree = Tree(target);
        run.stagingLeft = StagingLeftBehind(target);
        return run;
    }

    static inline std::map<TPayload, std::string> bytes_;
    static inline std::vector<std::wstring> demoList_;
    TempFolder work_;
};

} // namespace

// Every line gets what its own walk gives: outcome, files with their bytes, attributes and times, the
// current folder, the error raised; the one pass opens the archive for extraction once unless damage
// makes it go line by line (then the walk may have placed more verified entries than the lines' own
// walks reach). The staging folder goes on every path.
TEST_P(DistUnpack, GivesWhatEachLinesOwnWalkGives) {
    const TCase& test = GetParam();
    std::wstring payload = work_ / L"payload.rar";
    ASSERT_TRUE(WriteTextFile(payload, Damaged(bytes_[test.payload], test.damagedEntry, test.damage)));
    std::vector<std::wstring> lines;
    for (const std::wstring& line : test.lines) {
        if (line == kDemoList)
            lines.insert(lines.end(), demoList_.begin(), demoList_.end());
        else
            lines.push_back(line);
    }

    TRun reference = Run(test, payload, lines, false);
    ResetArchiveOpenCount();
    TRun onePass = Run(test, payload, lines, true);
    TArchiveOpenCount opens = ArchiveOpenCount();

    EXPECT_EQ(reference.outcomes,
              test.outcomes == std::string("*") ? std::string(lines.size(), '+') : test.outcomes);
    EXPECT_EQ(onePass.outcomes, reference.outcomes);
    EXPECT_EQ(onePass.endsInTarget, reference.endsInTarget);
    EXPECT_EQ(onePass.failure.code, reference.failure.code);
    EXPECT_EQ(onePass.failure.text, reference.failure.text);
    if (test.morePlaced)
        EXPECT_TRUE(std::includes(onePass.tree.begin(), onePass.tree.end(), reference.tree.begin(),
                                  reference.tree.end()));
    else
        EXPECT_EQ(onePass.tree, reference.tree);
    if (test.oneWalk) {
        EXPECT_EQ(opens.extraction, 1u);
        EXPECT_LE(opens.listing, 1u);
    }
    EXPECT_FALSE(onePass.stagingLeft);
}

INSTANTIATE_TEST_SUITE_P(Variants, DistUnpack, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<TCase>& info) {
                             std::string name = info.param.label;
                             for (char& c : name)
                                 c = std::isalnum(uint8_t(c)) ? c : '_';
                             return name;
                         });
