// The file layer of the elevated runs: a walk that cannot be led elsewhere at the moment between a
// folder's listing and the opening of an entry, and deletions that refuse what is not a plain file.

#include "common/HeldFolder.h"
#include "common/SetupError.h"
#include "tests/support/Links.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <functional>

using namespace zarvo;
using zarvo::testing::MakeSymbolicLink;
using zarvo::testing::PathExists;
using zarvo::testing::RemoveSymbolicLink;
using zarvo::testing::TempFolder;
using zarvo::testing::WriteTextFile;

namespace {

// What the walk's hook does in the test that runs.
const std::function<void(const TFolderEntry&)>* beforeOpen = nullptr;

THeldFolder Held(const std::wstring& path) {
    TFailure failure;
    return THeldFolder::Open(path, failure);
}

} // namespace

// A cleanup lists a folder a user could reach, and the folder it is about to enter is swapped just then:
// for a link to a folder of someone else's, or for that folder moved in. Either way what the walk meets
// is not what it listed, so it is left, and nothing of the other folder goes; what was listed before and
// after still goes.
TEST(HeldFolder, AWalkLeavesWhatWasSwappedInAfterTheListing) {
    const struct {
        const char* name;
        bool link; // a host link, as Wine shows a junction; otherwise the folder itself moved in
    } cases[] = {{"link", true}, {"moved folder", false}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        TempFolder root;
        const std::wstring left = root / L"left", sub = left + L"\\sub", victim = root / L"victim";
        // A host link the folder's removal cannot take away, gone whatever the test found.
        struct TLinkRemoved {
            const std::wstring& link;
            bool made;
            ~TLinkRemoved() {
                if (made)
                    RemoveSymbolicLink(link);
            }
        } linkRemoved{sub, test.link};
        ASSERT_TRUE(CreateDirectoryW(left.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(sub.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(victim.c_str(), nullptr));
        ASSERT_TRUE(WriteTextFile(sub + L"\\staged", "staged"));
        ASSERT_TRUE(WriteTextFile(left + L"\\a-before", "x"));
        ASSERT_TRUE(WriteTextFile(left + L"\\z-after", "x"));
        ASSERT_TRUE(WriteTextFile(victim + L"\\keep.txt", "someone else's"));

        const THeldFolder held = Held(left);
        ASSERT_TRUE(held.Valid());
        bool swapped = false;
        const std::function<void(const TFolderEntry&)> swap = [&](const TFolderEntry& entry) {
            if (entry.name != L"sub" || swapped)
                return;
            swapped = true;
            ASSERT_TRUE(MoveFileW(sub.c_str(), (root / L"away").c_str()));
            if (test.link)
                ASSERT_TRUE(MakeSymbolicLink(victim, sub));
            else
                ASSERT_TRUE(MoveFileW(victim.c_str(), sub.c_str()));
        };
        beforeOpen = &swap;
        const bool removed =
            RemoveContents(held, nullptr, [](const TFolderEntry& entry) { (*beforeOpen)(entry); });
        ASSERT_TRUE(swapped);
        EXPECT_FALSE(removed);
        const std::wstring other = test.link ? victim : sub;
        EXPECT_TRUE(PathExists(other + L"\\keep.txt"));
        EXPECT_TRUE(PathExists(root / L"away\\staged"));
        EXPECT_FALSE(PathExists(left + L"\\a-before"));
        EXPECT_FALSE(PathExists(left + L"\\z-after"));
    }
}

// Deleting a listed file through the held folder: a plain file goes, a read-only one only when asked;
// a second name of another file, a folder and a name that leaves the folder stay.
TEST(HeldFolder, DeletesOnlyPlainFilesOfThatFolder) {
    TempFolder root;
    const std::wstring other = root / L"other.txt";
    ASSERT_TRUE(WriteTextFile(other, "someone else's"));
    const auto plain = [](const std::wstring& path) {
        WriteTextFile(path, "x");
    };
    const auto readOnly = [](const std::wstring& path) {
        WriteTextFile(path, "x");
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    };
    const struct {
        const wchar_t* name;
        std::function<void(const std::wstring& path)> make;
        bool evenReadOnly;
        bool goes;
    } cases[] = {
        {L"plain.txt", plain, false, true},
        {L"read-only.txt", readOnly, false, false},
        {L"read-only-asked.txt", readOnly, true, true},
        {L"second-name.txt",
         [&](const std::wstring& path) { CreateHardLinkW(path.c_str(), other.c_str(), nullptr); }, true,
         false},
        {L"folder", [](const std::wstring& path) { CreateDirectoryW(path.c_str(), nullptr); }, true, false},
    };
    const std::wstring folder = root / L"folder-held";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    for (const auto& test : cases)
        test.make(folder + L"\\" + test.name);
    const THeldFolder held = Held(folder);
    ASSERT_TRUE(held.Valid());
    for (const auto& test : cases) {
        const std::wstring path = folder + L"\\" + test.name;
        ASSERT_TRUE(PathExists(path)) << WideToUtf8(test.name);
        EXPECT_EQ(DeletePlainChild(held, test.name, test.evenReadOnly), test.goes) << WideToUtf8(test.name);
        EXPECT_EQ(PathExists(path), !test.goes) << WideToUtf8(test.name);
    }
    EXPECT_FALSE(DeletePlainChild(held, L"..\\other.txt", true));
    EXPECT_TRUE(PathExists(other));
}
