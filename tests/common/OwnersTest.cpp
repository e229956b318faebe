// Who may own, and who may change, what the elevated wizard loads: decided from real security
// descriptors, since Wine keeps no owners and maps access lists to Unix modes.

#include "common/Handles.h"
#include "common/Owners.h"
#include "common/SetupError.h"

#include <gtest/gtest.h>

#include <sddl.h>

using namespace zarvo;

namespace {

TEST(FolderOwners, OnlyThoseTheUsersProgramsCannotActAsAreTrusted) {
    const wchar_t* user = L"S-1-5-21-1004336348-1177238915-682003330-1001";
    struct {
        const wchar_t* owner;
        const wchar_t* windowsOwner; // nullptr: unknown
        bool trusted;
    } const cases[] = {
        {L"BA", nullptr, true},
        {L"SY", nullptr, true},
        {L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", nullptr, true},
        {L"BU", nullptr, false},
        {L"WD", nullptr, false},
        {user, L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", false},
        // Where the user owns the Windows folder itself, the system's own files are the user's already.
        {user, user, true},
    };
    for (const auto& test : cases) {
        TLocalMemory owner, windowsOwner;
        ASSERT_TRUE(ConvertStringSidToSidW(test.owner, owner.Receive()));
        if (test.windowsOwner) {
            ASSERT_TRUE(ConvertStringSidToSidW(test.windowsOwner, windowsOwner.Receive()));
        }
        EXPECT_EQ(IsTrustedOwner(owner.Get(), windowsOwner.Get()), test.trusted) << WideToUtf8(test.owner);
    }
}

// The rights an access list leaves to others than the trusted: an installation folder must leave them
// none of FolderChanges, a folder above it none of AboveChanges.
TEST(FolderAccess, OnlyRightsThatChangeWhatLiesThereCountAndOnlyForOthersThanTheTrusted) {
    constexpr ACCESS_MASK FolderChanges =
        FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER;
    constexpr ACCESS_MASK AboveChanges = FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER;
    const wchar_t* wineUser = L"S-1-5-21-0-0-0-1000";
    struct {
        const char* what;
        const wchar_t* sddl;
        ACCESS_MASK asked;
        const wchar_t* windowsOwner; // nullptr: unknown
        bool leftToOthers;
    } const cases[] = {
        {"Program Files\\Zarvo as Windows 10 has it",
         L"D:PAI(A;;FA;;;S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464)(A;OICIIO;GA;;;CO)"
         L"(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)(A;;0x1200a9;;;BU)"
         L"(A;OICIIO;GXGR;;;BU)(A;;0x1200a9;;;AC)(A;OICIIO;GXGR;;;AC)",
         FolderChanges, nullptr, false},
        {"the wizard's own list", L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)", FolderChanges,
         nullptr, false},
        {"an administrator's folder below C:\\, as it inherits",
         L"D:AI(A;ID;FA;;;BA)(A;OICIIOID;GA;;;BA)(A;ID;FA;;;SY)(A;OICIID;0x1200a9;;;BU)(A;ID;0x1301bf;;;AU)"
         L"(A;OICIIOID;SDGXGWGR;;;AU)",
         FolderChanges, nullptr, true},
        {"C:\\ lets users add folders",
         L"D:(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;OICIIO;SDGXGWGR;;;AU)(A;;LC;;;AU)",
         AboveChanges, nullptr, false},
        {"but not its own folder's files", L"D:(A;;LC;;;AU)", FolderChanges, nullptr, true},
        {"a drive whose root anyone may empty", L"D:(A;OICI;FA;;;SY)(A;OICI;0x1301ff;;;WD)", AboveChanges,
         nullptr, true},
        {"generic rights are mapped", L"D:(A;;GW;;;BU)", FolderChanges, nullptr, true},
        {"a denial counts for nothing", L"D:(D;;FA;;;WD)(A;;0x1200a9;;;WD)", FolderChanges, nullptr, false},
        // Wine: the account that runs it owns the Windows folder, and every folder is its own.
        {"a Wine folder", L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;S-1-5-21-0-0-0-1000)(A;OICI;0x1200a9;;;WD)",
         FolderChanges, wineUser, false},
        {"the same elsewhere", L"D:(A;OICI;FA;;;SY)(A;OICI;FA;;;S-1-5-21-0-0-0-1000)(A;OICI;0x1200a9;;;WD)",
         FolderChanges, nullptr, true},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.what);
        TLocalMemory descriptor, windowsOwner;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(test.sddl, SDDL_REVISION_1,
                                                                         descriptor.Receive(), nullptr));
        if (test.windowsOwner) {
            ASSERT_TRUE(ConvertStringSidToSidW(test.windowsOwner, windowsOwner.Receive()));
        }
        EXPECT_EQ(UntrustedRights(descriptor.Get(), test.asked, windowsOwner.Get()) != 0, test.leftToOthers);
    }
    // No list at all lets everyone do everything.
    SECURITY_DESCRIPTOR open;
    ASSERT_TRUE(InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE));
    EXPECT_EQ(UntrustedRights(&open, AboveChanges, nullptr), AboveChanges);
}

} // namespace
