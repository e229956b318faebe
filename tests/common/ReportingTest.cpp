#include "common/CommonUtils.h"
#include "common/SetupError.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace zarvo;

namespace {

class Reporting : public ::testing::Test {
protected:
    void SetUp() override {
        OnReportError = nullptr;
        OnReportInfo = nullptr;
    }
    void TearDown() override {
        OnReportError = nullptr;
        OnReportInfo = nullptr;
    }
};

} // namespace

TEST_F(Reporting, InstalledHandlersReceiveTextAndCaptionUnchangedAndNothingIsShown) {
    std::vector<std::wstring> errors, infos;
    OnReportError = [&](const std::wstring& text, const std::wstring& caption) {
        errors.push_back(caption + L"|" + text);
    };
    OnReportInfo = [&](const std::wstring& text, const std::wstring& caption) {
        infos.push_back(caption + L"|" + text);
    };
    ReportError(L"C:\\Zarvo\\Tornel.dll не зарегистрирован", L"Ошибка");
    ReportInfo(L"Создание пути C:\\Zarvo", L"Сообщение");
    ReportInfo(L"", L"");
    EXPECT_EQ(errors, std::vector<std::wstring>{L"Ошибка|C:\\Zarvo\\Tornel.dll не зарегистрирован"});
    EXPECT_EQ(infos, (std::vector<std::wstring>{L"Сообщение|Создание пути C:\\Zarvo", L"|"}));
}

namespace {

BOOL CALLBACK FindIconChild(HWND child, LPARAM result) noexcept {
    if (auto icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0))) {
        *reinterpret_cast<HICON*>(result) = icon;
        return FALSE;
    }
    return TRUE;
}

// The icon shown by a message box: the one static control that carries an icon.
HICON BoxIcon(HWND box) {
    HICON found = nullptr;
    EnumChildWindows(box, FindIconChild, reinterpret_cast<LPARAM>(&found));
    return found;
}

struct SeenBox {
    bool found = false;
    std::wstring text;
    HICON icon = nullptr;
};

// Runs a report on this thread while a watcher finds the real box by its caption and presses OK.
SeenBox WatchBox(const wchar_t* caption, const std::function<void()>& report) {
    SeenBox seen;
    std::thread watcher([&] {
        for (int i = 0; i < 200 && !seen.found; ++i) {
            Sleep(50);
            HWND box = FindWindowW(L"#32770", caption);
            if (box == nullptr)
                continue;
            wchar_t text[256] = {};
            GetDlgItemTextW(box, 0xFFFF, text, 256);
            seen.text = text;
            seen.icon = BoxIcon(box);
            seen.found = true;
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    });
    report();
    watcher.join();
    return seen;
}

} // namespace

// The default handler shows a real box with the caption, the text and the matching icon.
TEST(ReportingBox, TheDefaultHandlerShowsRealBoxesWithTheMatchingIcon) {
    OnReportError = nullptr;
    OnReportInfo = nullptr;
    SeenBox error = WatchBox(L"Ошибка запуска установки",
                             [] { ReportError(L"Файл Unrar.dll занят", L"Ошибка запуска установки"); });
    ASSERT_TRUE(error.found);
    EXPECT_EQ(error.text, L"Файл Unrar.dll занят");
    EXPECT_EQ(error.icon, LoadIconW(nullptr, IDI_HAND));

    SeenBox info = WatchBox(L"Сообщение", [] { ReportInfo(L"Запустите программу снова", L"Сообщение"); });
    ASSERT_TRUE(info.found);
    EXPECT_EQ(info.text, L"Запустите программу снова");
    EXPECT_EQ(info.icon, LoadIconW(nullptr, IDI_ASTERISK));
    EXPECT_NE(info.icon, error.icon);
}

TEST_F(Reporting, AnErrorRaisedInAHandlerReachesTheCaller) {
    OnReportInfo = [](const std::wstring&, const std::wstring&) {
        throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(ReportInfo(L"x", L"y"), std::runtime_error);
    // Only the slot that is set is consulted.
    EXPECT_TRUE(WatchBox(L"Ошибка", [] { ReportError(L"still a box", L"Ошибка"); }).found);
}

// Every report, shown as a box or as a log line, is also a line of the log file: time, status, text.
TEST_F(Reporting, EveryReportIsAppendedToTheLogFile) {
    zarvo::testing::TempFolder folder;
    const std::wstring file = folder / L"setup.log";
    ASSERT_TRUE(zarvo::testing::WriteTextFile(file, "earlier\r\n"));
    SetLogFile(file);
    SeenBox box = WatchBox(L"Ошибка запуска установки",
                           [] { ReportError(L"Невозможно извлечь Unrar.dll", L"Ошибка запуска установки"); });
    EXPECT_TRUE(box.found);
    OnReportInfo = [](const std::wstring&, const std::wstring&) {
    };
    ReportInfo(L"Создание пути C:\\Zarvo", L"Сообщение");
    SetLogFile(L"");
    ReportInfo(L"not logged", L"Сообщение");

    std::string text = zarvo::testing::ReadBinaryFile(file);
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    ASSERT_EQ(lines.size(), 3u) << text;
    EXPECT_EQ(lines[0], "earlier");
    // "YYYY-MM-DD HH:MM:SS " then the status and the line as the log shows it.
    ASSERT_GT(lines[1].size(), 20u);
    EXPECT_EQ(lines[1][4], '-');
    EXPECT_EQ(lines[1][13], ':');
    EXPECT_EQ(lines[1].substr(20),
              WideToUtf8(L"ошибка    Ошибка запуска установки: Невозможно извлечь Unrar.dll"));
    EXPECT_EQ(lines[2].substr(20), WideToUtf8(L"сообщение Создание пути C:\\Zarvo"));
}

// The log file is opened at the first report and kept: while the program runs nobody can rename,
// replace or delete it, so nothing swaps it for a link between two lines. A log file that is a link or a
// second name of another file is not written at all, and the log view says so once.
TEST_F(Reporting, TheLogFileIsKeptOpenAndOneThatIsALinkIsNotWritten) {
    zarvo::testing::TempFolder folder;
    const std::wstring file = folder / L"setup.log";
    OnReportInfo = [](const std::wstring&, const std::wstring&) {
    };
    SetLogFile(file);
    ReportInfo(L"first", L"");
    EXPECT_FALSE(MoveFileW(file.c_str(), (folder / L"moved.log").c_str()));
    EXPECT_FALSE(DeleteFileW(file.c_str()));
    ReportInfo(L"second", L"");
    SetLogFile(L"");
    EXPECT_NE(zarvo::testing::ReadBinaryFile(file).find("second"), std::string::npos);

    const std::wstring victim = folder / L"victim.txt";
    ASSERT_TRUE(zarvo::testing::WriteTextFile(victim, "victim"));
    ASSERT_TRUE(DeleteFileW(file.c_str()));
    ASSERT_TRUE(CreateHardLinkW(file.c_str(), victim.c_str(), nullptr));
    std::vector<std::wstring> shown;
    OnReportInfo = OnReportError = [&](const std::wstring& text, const std::wstring&) {
        shown.push_back(text);
    };
    SetLogFile(file);
    ReportInfo(L"info", L"");
    ReportError(L"error", L"Ошибка");
    SetLogFile(L"");
    EXPECT_EQ(zarvo::testing::ReadBinaryFile(victim), "victim");
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_TRUE(shown[0].starts_with(L"Журнал не записывается в файл " + file + L": "))
        << WideToUtf8(shown[0]);
    EXPECT_EQ(shown[1], L"info");
    EXPECT_EQ(shown[2], L"error");
}

// The silent run's reporter writes the log file alone: nothing reaches the slots and no box shows, whatever
// they hold. A guard that replaces the slots gives back what they held.
TEST_F(Reporting, TheLogFileReporterShowsNothingAndTheSlotsComeBackAfterAGuard) {
    zarvo::testing::TempFolder folder;
    const std::wstring file = folder / L"silent.log";
    SetLogFile(file);
    std::vector<std::wstring> shown;
    OnReportInfo = [&](const std::wstring& text, const std::wstring&) {
        shown.push_back(L"outer " + text);
    };
    {
        TReportSlots guard(
            [&](const std::wstring& text, const std::wstring&) { shown.push_back(L"inner " + text); },
            nullptr);
        SlotReports().Error(L"через слот");
        LogFileReports().Error(L"только в файл");
        LogFileReports().Info(L"сообщение в файл");
    }
    SlotReports().Info(L"снова снаружи");
    EXPECT_FALSE(OnReportError);
    OnReportInfo = nullptr;
    EXPECT_FALSE(WatchBox(L"Ошибка", [] { LogFileReports().Error(L"без окна"); }).found);
    SetLogFile(L"");

    EXPECT_EQ(shown, (std::vector<std::wstring>{L"inner через слот", L"outer снова снаружи"}));
    const std::string text = zarvo::testing::ReadBinaryFile(file);
    for (const wchar_t* line : {L"Ошибка: через слот", L"Ошибка: только в файл", L"сообщение в файл",
                                L"снова снаружи", L"Ошибка: без окна"})
        EXPECT_NE(text.find(WideToUtf8(line)), std::string::npos) << WideToUtf8(line) << "\n" << text;
}
