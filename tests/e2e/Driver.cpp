#include "Driver.h"
#include "tests/support/Screenshot.h"

#include "common/GdiHandles.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPaths.h"

#include <cstdlib>
#include <string_view>

namespace zarvo::e2e {

namespace {

using namespace zarvo::testing;

constexpr wchar_t FormClass[] = L"TMainForm";
constexpr wchar_t DialogClass[] = L"#32770";
constexpr wchar_t FinishCaption[] = L"Завершить";
constexpr int BoxTextId = 0xFFFF;
// A window that does not answer a sent message in this time is taken as busy; the caller polls again.
constexpr UINT SendTimeoutMs = 2000;
constexpr DWORD PollMs = 25;

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

// The window's own caption, which the system keeps for every window.
std::wstring CaptionOf(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

struct TWindowSearch {
    DWORD process;
    std::wstring_view className;
    HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM data) noexcept {
    auto* search = reinterpret_cast<TWindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    try {
        if (owner != search->process || !IsWindowVisible(window) || ClassOf(window) != search->className)
            return TRUE;
    } catch (...) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

HWND FindTopLevel(DWORD process, std::wstring_view className) {
    TWindowSearch search{process, className, nullptr};
    EnumWindows(&MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct TChildSearch {
    const std::function<bool(HWND)>& accept;
    HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM data) noexcept {
    auto* search = reinterpret_cast<TChildSearch*>(data);
    try {
        if (!search->accept(child))
            return TRUE;
    } catch (...) {
        return TRUE;
    }
    search->found = child;
    return FALSE;
}

// The first child window, at any depth, that the predicate accepts.
HWND FindChildWhere(HWND parent, const std::function<bool(HWND)>& accept) {
    TChildSearch search{accept, nullptr};
    EnumChildWindows(parent, &MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// WM_GETTEXT answered by the window itself; the system copies the text across the processes.
std::optional<std::wstring> AskText(HWND window) {
    std::optional<LRESULT> length = Ask(window, WM_GETTEXTLENGTH);
    if (!length || *length < 0)
        return std::nullopt;
    std::wstring text(size_t(*length) + 1, L'\0');
    std::optional<LRESULT> copied =
        Ask(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    if (!copied || *copied < 0)
        return std::nullopt;
    text.resize(std::min<size_t>(size_t(*copied), size_t(*length)));
    return text;
}

std::vector<std::wstring> SplitLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    if (text.empty())
        return lines;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(L"\r\n", start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::wstring::npos)
            return lines;
        start = end + 2;
    }
}

} // namespace

HWND FindChild(HWND parent, const std::wstring& className) {
    return FindChildWhere(parent, [&](HWND child) { return ClassOf(child) == className; });
}

bool HasChildWithText(HWND parent, const std::wstring& text) {
    return FindChildWhere(parent, [&](HWND child) { return CaptionOf(child) == text; }) != nullptr;
}

std::optional<LRESULT> Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, SendTimeoutMs, &result))
        return std::nullopt;
    return LRESULT(result);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount64() >= end)
            return false;
        Sleep(PollMs);
    }
}

std::wstring BuiltPath(const char* variable, const char* ownBuild) {
    const char* given = std::getenv(variable);
    return WinePath(given != nullptr && *given != '\0' ? given : ownBuild);
}

std::wstring SetupExePath() {
    return BuiltPath("ZARVO_E2E_SETUP_EXE", ZARVO_SETUP_EXE);
}

long RunToEnd(const std::wstring& program, const std::wstring& arguments) {
    TChildProcess process;
    if (!process.Start(program, arguments))
        return -1;
    std::optional<DWORD> code = process.WaitForExit(RunWaitMs);
    return code ? long(*code) : -1;
}

TWizard::TWizard(const std::wstring& arguments) : TWizard(SetupExePath(), arguments) {}

TWizard::TWizard(const std::wstring& program, const std::wstring& arguments) {
    process_.Start(program, arguments, program.substr(0, program.rfind(L'\\')));
}

HWND TWizard::WaitForForm(DWORD timeoutMs) {
    WaitUntil(
        [&] {
            form_ = FindTopLevel(process_.Id(), FormClass);
            return form_ != nullptr || !process_.Running();
        },
        timeoutMs);
    return form_;
}

HWND TWizard::Control(TControlId id) {
    if (form_ == nullptr || !IsWindow(form_))
        return nullptr;
    return FindChildWhere(form_, [&](HWND child) { return GetDlgCtrlID(child) == int(id); });
}

TControlId TWizard::CurrentPage() {
    for (TControlId page :
         {TControlId::SheetNew, TControlId::SheetAlready, TControlId::SheetPath, TControlId::SheetStatus}) {
        HWND window = Control(page);
        if (window != nullptr && IsWindowVisible(window))
            return page;
    }
    return TControlId::None;
}

bool TWizard::WaitForPage(TControlId page, DWORD timeoutMs) {
    return WaitUntil([&] { return CurrentPage() == page; }, timeoutMs);
}

bool TWizard::Enabled(TControlId id) {
    HWND window = Control(id);
    return window != nullptr && IsWindowEnabled(window);
}

bool TWizard::Checked(TControlId id) {
    HWND window = Control(id);
    return window != nullptr && Ask(window, BM_GETCHECK) == BST_CHECKED;
}

std::wstring TWizard::Text(TControlId id) {
    HWND window = Control(id);
    return window != nullptr ? AskText(window).value_or(L"") : L"";
}

bool TWizard::Type(TControlId id, const std::wstring& text) {
    HWND window = Control(id);
    return window != nullptr && Ask(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) == TRUE;
}

bool TWizard::Click(TControlId id, DWORD timeoutMs) {
    HWND button = nullptr;
    bool ready = WaitUntil(
        [&] {
            button = Control(id);
            return button != nullptr && IsWindowVisible(button) && IsWindowEnabled(button);
        },
        timeoutMs);
    // Posted: the handler may open a modal box, which the driver has to answer meanwhile.
    return ready && PostMessageW(button, BM_CLICK, 0, 0);
}

std::vector<std::wstring> TWizard::ReadLog() {
    HWND log = Control(TControlId::M);
    std::optional<std::wstring> text;
    // The log answers between two lines of a run; a busy moment is waited out.
    WaitUntil([&] { return log == nullptr || (text = AskText(log)).has_value(); }, DefaultWaitMs);
    return SplitLines(text.value_or(L""));
}

bool TWizard::WaitForFinished(DWORD timeoutMs) {
    return WaitUntil(
        [&] {
            return Enabled(TControlId::ForwardButton) &&
                   CaptionOf(Control(TControlId::ForwardButton)) == FinishCaption;
        },
        timeoutMs);
}

std::optional<TBox> TWizard::WaitForBox(DWORD timeoutMs) {
    HWND box = nullptr;
    if (!WaitUntil([&] { return (box = FindTopLevel(process_.Id(), DialogClass)) != nullptr; }, timeoutMs))
        return std::nullopt;
    TBox found{box, CaptionOf(box), L"", false};
    if (HWND text = GetDlgItem(box, BoxTextId))
        found.text = CaptionOf(text);
    found.hasIcon = FindChildWhere(box, [](HWND child) {
                        return ClassOf(child) == L"Static" && IsWindowVisible(child) &&
                               (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
                               Ask(child, STM_GETICON).value_or(0) != 0;
                    }) != nullptr;
    return found;
}

bool TWizard::Answer(const TBox& box, int button) {
    HWND control = GetDlgItem(box.window, button);
    if (control == nullptr || !IsWindowEnabled(control))
        return false;
    PostMessageW(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    return WaitUntil([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); });
}

std::wstring TWizard::Screenshot(HWND window, const std::wstring& name) {
    // The wizard paints in its own process: a sent message returns once it has handled the repaint.
    return SaveScreenshot(window, name, [&] {
        Ask(window, WM_NULL);
        Sleep(200);
    });
}

} // namespace zarvo::e2e
