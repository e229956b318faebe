#pragma once
// Shared ground of the registration tests: the installer's library search order (the current folder
// taken out of it, and elsewhere than the product anyway), the machine's and the user's classes cleaned
// before and after each test, the runtime library in the system folder (as the installation run places it
// before registering), and the registry entries the kernel server's registration must produce.

#include "SetupTestSupport.h"

#include <gtest/gtest.h>

namespace setuptest {

struct TClassRow {
    std::wstring key;
    std::wstring name; // empty: the default value
    std::wstring data;
};

// The 14 entries for an installation folder (no trailing backslash), in the order they are written.
std::vector<TClassRow> ExpectedClassRows(const std::wstring& folder);
// The keys the unregistration deletes.
std::vector<std::wstring> ClassKeys();
inline constexpr wchar_t TypeLibKey[] = L"TypeLib\\{4A9D62C1-E873-4B25-8F1E-6D0B93A5C2E7}";
// What a stand-in library recorded when it registered itself (its file name without extension).
std::wstring StandInKey(const std::wstring& library);

class RegistrationTest : public ::testing::Test {
protected:
    explicit RegistrationTest(bool withRuntime = true) : withRuntime_(withRuntime) {}
    void SetUp() override;
    void TearDown() override;

    // Copies RTW32.dll into the system folder unless it is there; removes it again at the end.
    void PlaceRuntime();
    // Moves a RTW32.dll of the system folder aside until the end of the test.
    void HideRuntime();
    static void CleanRegistry();
    // Expects every row of the table in the machine's classes, or none of its keys.
    static void ExpectClassRows(const std::wstring& folder);
    static void ExpectNoClassKeys();

private:
    bool withRuntime_;
    std::wstring currentFolder_;
    std::wstring placedRuntime_;
    std::wstring hiddenRuntime_;
};

} // namespace setuptest
