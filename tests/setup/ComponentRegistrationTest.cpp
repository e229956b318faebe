// RegisterComponents / UnregisterComponents over a real installation folder of the stand-in product:
// the reports in order, the machine's classes read back, the real type library and libraries.

#include "RegistrationTestSupport.h"
#include "common/CommonUtils.h"
#include "setup/SetupUtils.h"

#include <algorithm>

using namespace zarvo;
using namespace setuptest;

namespace {

// With spaces and Cyrillic letters: the upper-cased library paths must fold both.
constexpr wchar_t Folder[] = L"C:\\Program Files\\Zarvo Тест";
constexpr wchar_t UpperFolder[] = L"C:\\PROGRAM FILES\\ZARVO ТЕСТ";

std::wstring TypeLib() {
    return std::wstring(Folder) + L"\\ZarvoKernel.tlb";
}
std::wstring Upper(const std::wstring& file) {
    return std::wstring(UpperFolder) + L"\\" + file;
}

using Report = TReportLog::TReport;
Report Info(const std::wstring& text) {
    return {false, text, L"Сообщение"};
}
Report Error(const std::wstring& text) {
    return {true, text, L"Ошибка"};
}
// A whole successful registration, in order.
std::vector<Report> Registered() {
    return {Info(L"Регистрация Zarvo"),
            Info(TypeLib() + L" зарегистрирован успешно"),
            Info(L"AxApplication зарегистрирован успешно"),
            Info(Upper(L"TORNEL.DLL") + L" зарегистрирован успешно"),
            Info(Upper(L"KASTOR.DLL") + L" зарегистрирован успешно"),
            Info(Upper(L"SELVAR.DLL") + L" зарегистрирован успешно")};
}

// Keys prepared (empty) in the user's own classes; the fixture removes them. Merge() makes the user's
// classes this process's HKEY_CLASSES_ROOT, as the merged view is on Windows for the keys a user created
// first (Wine merges nothing), until a registration ends.
class TUserClasses {
public:
    explicit TUserClasses(std::vector<std::wstring> keys) : keys_(std::move(keys)) {
        for (const std::wstring& key : keys_) {
            zarvo::TRegKey created;
            RegCreateKeyExW(HKEY_CURRENT_USER, InClasses(key).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                            created.Receive(), nullptr);
        }
    }
    TUserClasses(const TUserClasses&) = delete;
    TUserClasses& operator=(const TUserClasses&) = delete;
    ~TUserClasses() { RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr); }

    bool Merge() const {
        zarvo::TRegKey classes;
        return RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, KEY_ALL_ACCESS, classes.Receive()) ==
                   ERROR_SUCCESS &&
               RegOverridePredefKey(HKEY_CLASSES_ROOT, classes.Get()) == ERROR_SUCCESS;
    }
    // Every prepared key still there, without subkeys or values.
    void ExpectUntouched() const {
        for (const std::wstring& key : keys_) {
            zarvo::TRegKey opened;
            DWORD subkeys = 0, values = 0;
            ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, InClasses(key).c_str(), 0, KEY_READ, opened.Receive()),
                      ERROR_SUCCESS)
                << Narrow(key);
            RegQueryInfoKeyW(opened.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                             nullptr, nullptr, nullptr, nullptr);
            EXPECT_EQ(subkeys + values, 0u) << Narrow(key);
        }
    }

private:
    std::vector<std::wstring> keys_;
};

class ComponentRegistrationTest : public RegistrationTest {
protected:
    void SetUp() override {
        RegistrationTest::SetUp();
        ASSERT_TRUE(install_.CopyWholeProduct());
    }
    void ExpectReports(const std::vector<Report>& expected) const {
        EXPECT_TRUE(log_.Reports() == expected) << "reports:\n" << Narrow(log_.Dump());
    }
    // Library reports in the order they came, without the ones for other steps.
    std::vector<std::wstring> LibraryReports() const {
        std::vector<std::wstring> texts;
        for (const Report& report : log_.Reports())
            if (report.text.starts_with(UpperFolder))
                texts.push_back(report.text);
        return texts;
    }
    static bool StandInRegistered(const std::wstring& library) {
        return ClassesKeyExists(StandInKey(library));
    }

    TScratchFolder install_{Folder};
    TReportLog log_;
};

TEST_F(ComponentRegistrationTest, RegistersTypeLibraryClassEntriesAndLibrariesInOrder) {
    ASSERT_TRUE(RegisterComponents(Folder, log_));

    ExpectReports(Registered());
    ExpectClassRows(Folder);
    EXPECT_EQ(ReadClassesString(std::wstring(TypeLibKey) + L"\\1.0\\0\\win32"),
              std::optional<std::wstring>(TypeLib()));
    EXPECT_EQ(ReadClassesString(StandInKey(L"Tornel"), L"Apartment"), std::optional<std::wstring>(L"STA"));
    EXPECT_TRUE(StandInRegistered(L"Selvar"));
    EXPECT_FALSE(StandInRegistered(L"Pelmar")) << "a library without DllUnregisterServer is never called";

    // Again over the same entries: no error, the same values.
    log_.Clear();
    EXPECT_TRUE(RegisterComponents(Folder, log_));
    ExpectReports(Registered());
    ExpectClassRows(Folder);
}

// Each step, the libraries' and the type library's own writes included, reaches the machine's classes
// past the keys the user prepared, and leaves those as they were.
TEST_F(ComponentRegistrationTest, RegistersInTheMachinesClassesWhateverTheUserPrepared) {
    TUserClasses user({ClassKeys().back(), TypeLibKey, L"ZarvoStandIn"});

    ASSERT_TRUE(user.Merge());
    ASSERT_TRUE(RegisterComponents(Folder, log_));
    ExpectReports(Registered());
    ExpectClassRows(Folder);
    EXPECT_TRUE(ClassesKeyExists(std::wstring(TypeLibKey) + L"\\1.0"));
    EXPECT_TRUE(StandInRegistered(L"Tornel"));
    EXPECT_FALSE(ClassesKeyExists(L"Zarvo.AxApplication", HKEY_CURRENT_USER));
    user.ExpectUntouched();

    ASSERT_TRUE(user.Merge());
    ASSERT_TRUE(UnregisterComponents(Folder, log_));
    ExpectNoClassKeys();
    EXPECT_FALSE(ClassesKeyExists(std::wstring(TypeLibKey) + L"\\1.0"));
    EXPECT_FALSE(ClassesKeyExists(L"ZarvoStandIn"));
    user.ExpectUntouched();
}

TEST_F(ComponentRegistrationTest, TheConfigurationLibraryComesFirstAndOnce) {
    // More libraries around it, so that the folder's own order is unlikely to start with it.
    for (const wchar_t* copy : {L"Aster.dll", L"Borel.dll", L"Zenit.dll"})
        ASSERT_TRUE(CopyFileW(install_.File(L"Selvar.dll").c_str(), install_.File(copy).c_str(), TRUE));

    ASSERT_TRUE(RegisterComponents(Folder, log_));
    std::vector<std::wstring> registered = LibraryReports();
    ASSERT_EQ(registered.size(), 6u) << Narrow(log_.Dump());
    EXPECT_EQ(registered.front(), Upper(L"TORNEL.DLL") + L" зарегистрирован успешно");
    EXPECT_EQ(
        std::count_if(registered.begin(), registered.end(),
                      [](const std::wstring& text) { return text.find(L"TORNEL") != std::wstring::npos; }),
        1);
    for (const wchar_t* library : {L"Tornel", L"Selvar", L"Kastor", L"Aster", L"Borel", L"Zenit"})
        EXPECT_TRUE(StandInRegistered(library)) << Narrow(library);

    log_.Clear();
    ASSERT_TRUE(UnregisterComponents(Folder, log_));
    std::vector<std::wstring> unregistered = LibraryReports();
    ASSERT_EQ(unregistered.size(), 6u) << Narrow(log_.Dump());
    EXPECT_EQ(unregistered.back(), Upper(L"TORNEL.DLL") + L" разрегистрирован успешно");
    EXPECT_FALSE(ClassesKeyExists(L"ZarvoStandIn"));
}

TEST_F(ComponentRegistrationTest, UnregistersLibrariesThenTypeLibraryThenClassKeys) {
    ASSERT_TRUE(RegisterComponents(Folder, log_));
    log_.Clear();

    ASSERT_TRUE(UnregisterComponents(Folder, log_));

    ExpectReports({Info(L"Разрегистрация Zarvo"), Info(Upper(L"KASTOR.DLL") + L" разрегистрирован успешно"),
                   Info(Upper(L"SELVAR.DLL") + L" разрегистрирован успешно"),
                   Info(Upper(L"TORNEL.DLL") + L" разрегистрирован успешно"),
                   Info(TypeLib() + L" разрегистрирован успешно"),
                   Info(L"AxApplication разрегистрирован успешно")});
    ExpectNoClassKeys();
    EXPECT_FALSE(ClassesKeyExists(std::wstring(TypeLibKey) + L"\\1.0"));
    EXPECT_FALSE(ClassesKeyExists(L"ZarvoStandIn"));
}

TEST_F(ComponentRegistrationTest, ClassKeysAlreadyGoneAreNoError) {
    ASSERT_TRUE(RegisterComponents(Folder, log_));
    CleanRegistry(); // class keys and library keys gone; the type library's too
    ASSERT_TRUE(RegisterComponents(Folder, log_));
    for (const std::wstring& key : ClassKeys())
        DeleteClassesTree(key);
    log_.Clear();

    EXPECT_TRUE(UnregisterComponents(Folder, log_));
    EXPECT_TRUE(log_.Reports().back() == Info(L"AxApplication разрегистрирован успешно"))
        << Narrow(log_.Dump());
}

TEST_F(ComponentRegistrationTest, AMissingTypeLibraryStopsBeforeAnythingIsWritten) {
    ASSERT_TRUE(DeleteFileW(install_.File(L"ZarvoKernel.tlb").c_str()));

    EXPECT_FALSE(RegisterComponents(Folder, log_));

    const auto& reports = log_.Reports();
    ASSERT_EQ(reports.size(), 2u) << Narrow(log_.Dump());
    EXPECT_TRUE(reports[0] == Info(L"Регистрация Zarvo"));
    EXPECT_TRUE(reports[1].error);
    EXPECT_EQ(reports[1].caption, L"Ошибка");
    EXPECT_TRUE(reports[1].text.starts_with(L"Регистрация TLB: ")) << Narrow(reports[1].text);
    EXPECT_GT(reports[1].text.size(), std::wstring(L"Регистрация TLB: ").size())
        << "the system's message follows";
    ExpectNoClassKeys();
    EXPECT_FALSE(ClassesKeyExists(TypeLibKey));
    EXPECT_FALSE(ClassesKeyExists(L"ZarvoStandIn"));
}

TEST_F(ComponentRegistrationTest, AMissingConfigurationLibraryFailsAfterTheClassEntries) {
    ASSERT_TRUE(DeleteFileW(install_.File(L"Tornel.dll").c_str()));

    EXPECT_FALSE(RegisterComponents(Folder, log_));

    std::vector<Report> reports = log_.Reports();
    ASSERT_EQ(reports.size(), 5u) << Narrow(log_.Dump());
    EXPECT_TRUE(reports[4].error);
    EXPECT_TRUE(reports[4].text.starts_with(L"Невозможно загрузить " + Upper(L"TORNEL.DLL") + L": "))
        << "why the load failed follows";
    reports.pop_back();
    EXPECT_TRUE(reports == std::vector<Report>({Info(L"Регистрация Zarvo"),
                                                Info(TypeLib() + L" зарегистрирован успешно"),
                                                Info(L"AxApplication зарегистрирован успешно"),
                                                Error(Upper(L"TORNEL.DLL") + L" не зарегистрирован")}))
        << Narrow(log_.Dump());
    ExpectClassRows(Folder);
    EXPECT_FALSE(StandInRegistered(L"Selvar")) << "libraries after a failed one are not attempted";
}

// A non-volatile key cannot be created below a volatile one: the second class entry then fails and the
// entries before it stay.
TEST_F(ComponentRegistrationTest, AClassEntryThatCannotBeCreatedStopsTheRegistration) {
    zarvo::TRegKey blocker;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, InClasses(L"Zarvo.AxApplication.1").c_str(), 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, blocker.Receive(), nullptr),
              ERROR_SUCCESS);

    EXPECT_FALSE(RegisterComponents(Folder, log_));

    ExpectReports({Info(L"Регистрация Zarvo"), Info(TypeLib() + L" зарегистрирован успешно"),
                   Error(L"Регистрация AxApplication: Ошибка открытия Zarvo.AxApplication.1\\CLSID")});
    std::vector<TClassRow> rows = ExpectedClassRows(Folder);
    for (size_t row = 0; row < 3; ++row)
        EXPECT_EQ(ReadClassesString(rows[row].key, rows[row].name),
                  std::optional<std::wstring>(rows[row].data))
            << "row " << row + 1;
    EXPECT_FALSE(ClassesKeyExists(L"Zarvo.AxApplication"));
    EXPECT_FALSE(ClassesKeyExists(L"ZarvoStandIn"));
}

// A library crashing inside the worker is covered with the worker; here a plain failure stops the run.
TEST_F(ComponentRegistrationTest, AFailingLibraryStopsTheRegistration) {
    TScopedEnvironment sabotage(L"ZARVO_STANDIN_FAIL", L"Selvar.register");

    EXPECT_FALSE(RegisterComponents(Folder, log_));

    EXPECT_TRUE(log_.Reports().back() == Error(Upper(L"SELVAR.DLL") + L" не зарегистрирован"))
        << Narrow(log_.Dump());
    EXPECT_TRUE(StandInRegistered(L"Tornel"));
    EXPECT_FALSE(StandInRegistered(L"Selvar"));
}

// The libraries are unregistered first; when one fails, the type library and the class entries stay, and
// so does every library after it (the configuration library comes last).
TEST_F(ComponentRegistrationTest, ALibraryFailingDuringUnregistrationKeepsTheRest) {
    struct Case {
        const wchar_t* library;
        const wchar_t* file;
        bool selvarStays;
    } cases[] = {{L"Selvar", L"SELVAR.DLL", true}, {L"Tornel", L"TORNEL.DLL", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.library));
        CleanRegistry();
        ASSERT_TRUE(RegisterComponents(Folder, log_));
        log_.Clear();
        TScopedEnvironment sabotage(L"ZARVO_STANDIN_FAIL", std::wstring(c.library) + L".unregister");

        EXPECT_FALSE(UnregisterComponents(Folder, log_));

        EXPECT_TRUE(log_.Reports().back() == Error(Upper(c.file) + L" не разрегистрирован"))
            << Narrow(log_.Dump());
        EXPECT_TRUE(ClassesKeyExists(std::wstring(TypeLibKey) + L"\\1.0"));
        ExpectClassRows(Folder);
        EXPECT_TRUE(StandInRegistered(L"Tornel"));
        EXPECT_EQ(StandInRegistered(L"Selvar"), c.selvarStays);
        EXPECT_FALSE(StandInRegistered(L"Kastor")) << "it comes before both";
    }
}

TEST_F(ComponentRegistrationTest, AMissingTypeLibraryFailsTheUnregistrationAndKeepsTheClassEntries) {
    ASSERT_TRUE(RegisterComponents(Folder, log_));
    ASSERT_TRUE(DeleteFileW(install_.File(L"ZarvoKernel.tlb").c_str()));
    log_.Clear();

    EXPECT_FALSE(UnregisterComponents(Folder, log_));

    const Report& last = log_.Reports().back();
    EXPECT_TRUE(last.error);
    EXPECT_TRUE(last.text.starts_with(L"Разрегистрация " + TypeLib() + L": ")) << Narrow(log_.Dump());
    ExpectClassRows(Folder);
}

TEST_F(ComponentRegistrationTest, ATrailingBackslashChangesNothing) {
    ASSERT_TRUE(RegisterComponents(std::wstring(Folder) + L"\\", log_));

    EXPECT_EQ(ReadClassesString(L"CLSID\\{7E3C19A2-5B84-4F0D-9A61-C2D84E7B3F05}\\LocalServer32"),
              std::optional<std::wstring>(std::wstring(Folder) + L"\\ZarvoKernel.exe"));
    ExpectReports(Registered());

    log_.Clear();
    EXPECT_TRUE(UnregisterComponents(std::wstring(Folder) + L"\\", log_));
    EXPECT_TRUE(log_.Reports()[1] == Info(Upper(L"KASTOR.DLL") + L" разрегистрирован успешно"))
        << Narrow(log_.Dump());
    ExpectNoClassKeys();
}

} // namespace
