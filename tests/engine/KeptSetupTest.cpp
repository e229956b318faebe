// The copy of the setup that the list of installed programs starts: only the running program's own file,
// and only in a folder that administrators alone can write.

#include "EngineTestSupport.h"

#include "common/MappedFile.h"
#include "common/PlainFiles.h"
#include "common/SetupError.h"
#include "engine/KeptSetup.h"

#include <aclapi.h>
#include <sddl.h>

using namespace zarvo;
using namespace zarvo::testing;

namespace {

std::wstring RunningProgram() {
    wchar_t path[MAX_PATH];
    return std::wstring(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
}

// What the access list of the file or folder allows Everyone.
ACCESS_MASK EveryoneMay(const std::wstring& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PACL access = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              &access, nullptr, &descriptor) != ERROR_SUCCESS)
        return 0;
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(everyone);
    CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size);
    ACCESS_MASK allowed = 0;
    for (DWORD index = 0; access != nullptr && index < access->AceCount; ++index) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (GetAce(access, index, reinterpret_cast<void**>(&ace)) &&
            ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && EqualSid(&ace->SidStart, everyone))
            allowed |= ace->Mask;
    }
    LocalFree(descriptor);
    return allowed;
}

class KeptSetup : public ::testing::Test {
protected:
    void SetUp() override {
        savedModulePath = ModulePath;
        ModulePath = RunningProgram();
        RemoveTree(KeptSetupFolder());
    }
    void TearDown() override {
        RemoveTree(KeptSetupFolder());
        ModulePath = savedModulePath;
    }
    std::wstring savedModulePath;
    TFailure failure;
};

// The program's path may lie where the user's programs write: another file put there since the start is
// not the program that runs, even with the same bytes.
TEST_F(KeptSetup, AnotherFileAtTheProgramsPathIsNotKept) {
    TempFolder folder;
    ModulePath = folder / L"SetupZarvo.exe";
    ASSERT_TRUE(CopyFileW(RunningProgram().c_str(), ModulePath.c_str(), FALSE));
    EXPECT_FALSE(KeepSetupCopy(failure));
    EXPECT_EQ(failure.code, DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(failure.text, ModulePath + L": " + SystemErrorText(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(PathExists(KeptSetupPath()));
}

// Users may make folders in ProgramData: one made there before gets the administrators' list again and
// loses what was put beside the copy.
// (Wine keeps no access lists; it shows the Unix modes it maps them to, where Everyone stands for others.)
TEST_F(KeptSetup, AFolderThereBeforeIsMadeTheAdministratorsOwn) {
    ASSERT_TRUE(CreateDirectoryW(KeptSetupFolder().c_str(), nullptr));
    PSECURITY_DESCRIPTOR open = nullptr;
    PACL access = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;OICI;FA;;;WD)", SDDL_REVISION_1,
                                                                     &open, nullptr));
    GetSecurityDescriptorDacl(open, &present, &access, &defaulted);
    const std::wstring folder = KeptSetupFolder();
    DWORD set = SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT,
                                      DACL_SECURITY_INFORMATION, nullptr, nullptr, access, nullptr);
    LocalFree(open);
    ASSERT_EQ(set, DWORD(ERROR_SUCCESS));
    ASSERT_TRUE(EveryoneMay(KeptSetupFolder()) & FILE_ADD_FILE);
    const std::wstring planted = KeptSetupFolder() + L"\\version.dll";
    ASSERT_TRUE(WriteTextFile(planted, "planted"));
    ASSERT_TRUE(KeepSetupCopy(failure)) << WideToUtf8(failure.text);
    EXPECT_FALSE(EveryoneMay(KeptSetupFolder()) &
                 (FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD));
    EXPECT_FALSE(EveryoneMay(KeptSetupPath()) & FILE_WRITE_DATA);
    EXPECT_FALSE(PathExists(planted));
    EXPECT_EQ(ReadBinaryFile(KeptSetupPath()), ReadBinaryFile(ModulePath));
}

} // namespace

namespace {

// An installer as large as the address space has room for is kept all the same: it is recognised on a
// small view and copied through its handle, never mapped whole a second time.
TEST_F(KeptSetup, IsKeptWhenTheAddressSpaceCannotMapItAgain) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExW(ModulePath.c_str(), GetFileExInfoStandard, &data));
    const size_t size = (data.nFileSizeLow + 0xFFFF) & ~size_t(0xFFFF);
    // Every free stretch that could hold a view of the whole program, reserved.
    std::vector<void*> taken;
    taken.reserve(8192);
    for (size_t chunk = size_t(1) << 30; chunk >= size;
         chunk = chunk / 2 >= size ? chunk / 2 : chunk - 0x10000)
        while (taken.size() < taken.capacity())
            if (void* stretch = VirtualAlloc(nullptr, chunk, MEM_RESERVE, PAGE_NOACCESS))
                taken.push_back(stretch);
            else
                break;
    const bool mappable =
        !TMappedFile(OpenPlainFile(ModulePath, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING)).Bytes().empty();
    const bool kept = KeepSetupCopy(failure);
    for (void* stretch : taken)
        VirtualFree(stretch, 0, MEM_RELEASE);
    ASSERT_FALSE(mappable) << "the address space still holds the whole program";
    EXPECT_TRUE(kept) << WideToUtf8(failure.text);
    EXPECT_EQ(ReadBinaryFile(KeptSetupPath()), ReadBinaryFile(ModulePath));
}

} // namespace
