// TMainForm as a window: creation from the layout table, DPI scaling, alignment, size limits, focus
// and keyboard, and the dispatch of messages to the event handlers.

#include "app/MainUnit.h"

#include "app/Application.h"
#include "app/Controls.h"
#include "app/Notepad.h"
#include "app/Picture.h"
#include "app/PictureButtonName.h"
#include "app/WizardTexts.h"
#include "logview/LogView.h"
#include "common/Reporting.h"
#include "common/SetupError.h"
#include "common/WindowText.h"
#include "engine/StartupTexts.h"

#include <commctrl.h>

#include <algorithm>

namespace zarvo {

namespace {

// Closing is posted, so that no window is destroyed under the handler that asked for it.
constexpr UINT WM_CLOSEFORM = WM_APP + 1;

size_t IndexOf(TControlId id) {
    return size_t(id) - size_t(TControlId::LeftPanel);
}

bool IsContainer(TControlKind kind) {
    return kind == TControlKind::Panel || kind == TControlKind::PageControl || kind == TControlKind::Page;
}

bool IsPushButton(HWND window) {
    wchar_t name[16];
    if (GetClassNameW(window, name, 16) == 0 || lstrcmpiW(name, WC_BUTTONW) != 0)
        return false;
    LONG type = GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

int ScreenDpi() {
    TWindowDc screen(nullptr);
    int dpi = screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

bool RegisterFormClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = MainFormClassName;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// A glyph at the screen's DPI.
TGdiObject LoadGlyph(HINSTANCE instance, const wchar_t* resource, int dpi) {
    TGdiObject bitmap = LoadPicture(instance, resource);
    BITMAP info{};
    if (!bitmap.Valid() || GetObjectW(bitmap.Get(), sizeof(info), &info) == 0)
        RaiseLastError(TextCannotLoadPicture + std::wstring(resource) + L". ");
    int width = MulDiv(info.bmWidth, dpi, 96), height = MulDiv(info.bmHeight, dpi, 96);
    if (width == info.bmWidth && height == info.bmHeight)
        return bitmap;
    TWindowDc screen(nullptr);
    TGdiObject scaled(CreateCompatibleBitmap(screen.Get(), width, height));
    TMemoryDc source(CreateCompatibleDC(screen.Get())), target(CreateCompatibleDC(screen.Get()));
    if (!scaled.Valid() || !source.Valid() || !target.Valid())
        RaiseLastError(TextCannotScalePicture + std::wstring(resource) + L". ");
    TSelectObject selectSource(source.Get(), bitmap.Get());
    TSelectObject selectTarget(target.Get(), scaled.Get());
    SetStretchBltMode(target.Get(), HALFTONE);
    SetBrushOrgEx(target.Get(), 0, 0, nullptr);
    StretchBlt(target.Get(), 0, 0, width, height, source.Get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
    return scaled;
}

} // namespace

TMainForm::TMainForm(std::wstring commandLine, const TSystem& system, TPrompts* prompts)
    : session_(system, SlotReports()), prompts_(prompts != nullptr ? prompts : this),
      commandLine_(std::move(commandLine)) {
    dPickFolder.Title = TextFolderDialogTitle;
    dPickFolder.Headline = TextFolderDialogHeadline;
    dPickFolder.Options = {TBrowseFolderOption::boDirsOnly};
    dPickFolder.HelpContext = 0;
}

TMainForm::~TMainForm() {
    if (handle_ != nullptr)
        DestroyWindow(handle_);
    if (MainForm == this) {
        MainForm = nullptr;
        // The reports went to this form's boxes or log.
        OnReportError = nullptr;
        OnReportInfo = nullptr;
    }
}

std::unique_ptr<TMainForm> TMainForm::CreateForm(const std::wstring& commandLine, const TSystem& system,
                                                 TPrompts* prompts) {
    std::unique_ptr<TMainForm> form(new TMainForm(commandLine, system, prompts));
    MainForm = form.get();
    try {
        form->CreateWindowAndControls();
    } catch (...) {
        ReportError(CurrentExceptionMessage(), StartupErrorCaption);
        return nullptr;
    }
    if (!form->FormCreate())
        return nullptr;
    return form;
}

void TMainForm::Show() {
    ShowWindow(handle_, SW_SHOWNORMAL);
    SetForegroundWindow(handle_);
    UpdateWindow(handle_);
}

void TMainForm::Close() {
    if (handle_ != nullptr)
        PostMessageW(handle_, WM_CLOSEFORM, 0, 0);
}

HWND TMainForm::Control(TControlId id) const noexcept {
    if (id < TControlId::LeftPanel || id >= TControlId::End)
        return nullptr;
    return controls_[IndexOf(id)];
}

HWND TMainForm::ActiveControl() const noexcept {
    HWND focus = GetFocus();
    if (focus != nullptr && handle_ != nullptr && IsChild(handle_, focus))
        return focus;
    return activeControl_;
}

int TMainForm::Scale(int pixels) const noexcept {
    return MulDiv(pixels, dpi_, 96);
}

void TMainForm::CreateWindowAndControls() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    if (!RegisterFormClass(instance, &TMainForm::WindowProc) || !RegisterControlClasses(instance) ||
        !RegisterLogViewClass(instance))
        RaiseLastError(TextCannotRegisterClasses);

    dpi_ = ScreenDpi();
    int width = Scale(FormWidth), height = Scale(FormHeight);
    int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    // No system menu: the title bar shows neither the menu nor a close button; the wizard's own buttons
    // are the way out.
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_APPWINDOW, MainFormClassName, FormCaption, style, left, top,
                    width, height, nullptr, nullptr, instance, this);
    if (handle_ == nullptr)
        RaiseLastError(TextCannotCreateWindow);
    dPickFolder.SetOwner(handle_);

    for (const TLayoutItem& item : MainFormLayout())
        controls_[IndexOf(item.id)] = CreateControl(item);
    OrderChildren(TControlId::None);
    for (const TLayoutItem& item : MainFormLayout())
        if (IsContainer(item.kind))
            OrderChildren(item.id);
    laidOut_ = true;
    Arrange();
}

HWND TMainForm::CreateControl(const TLayoutItem& item) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND parent = item.parent == TControlId::None ? handle_ : Control(item.parent);
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD exStyle = 0;
    if (item.visible)
        style |= WS_VISIBLE;
    if (!item.enabled)
        style |= WS_DISABLED;
    if (item.tabStop)
        style |= WS_TABSTOP;

    const wchar_t* className = nullptr;
    TPanelParams panel{item.color, item.loweredBevel};
    TLabelParams label{item.textAlign, item.verticalCenter, item.wordWrap, item.color};
    TPictureParams picture{instance, item.bitmap};
    void* params = nullptr;
    switch (item.kind) {
    case TControlKind::Panel:
    case TControlKind::PageControl:
    case TControlKind::Page:
        className = PanelClassName;
        style |= WS_CLIPCHILDREN;
        exStyle |= WS_EX_CONTROLPARENT;
        params = &panel;
        break;
    case TControlKind::Label:
        className = LabelClassName;
        params = &label;
        break;
    case TControlKind::Picture:
        className = PictureClassName;
        params = &picture;
        break;
    case TControlKind::Button:
        className = WC_BUTTONW;
        style |= item.id == TControlId::ForwardButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        break;
    case TControlKind::BitmapButton:
        className = WC_BUTTONW;
        style |= BS_PUSHBUTTON;
        break;
    case TControlKind::CheckBox:
        className = WC_BUTTONW;
        style |= BS_AUTOCHECKBOX | (item.wordWrap ? BS_MULTILINE : 0);
        break;
    case TControlKind::Edit:
        className = WC_EDITW;
        style |= ES_LEFT | ES_AUTOHSCROLL;
        exStyle |= WS_EX_CLIENTEDGE;
        break;
    case TControlKind::LogView:
        className = LogViewClassName;
        break;
    }

    HWND control = CreateWindowExW(exStyle, className, item.caption, style, Scale(item.left), Scale(item.top),
                                   Scale(item.width), Scale(item.height), parent,
                                   reinterpret_cast<HMENU>(INT_PTR(item.id)), instance, params);
    if (control == nullptr)
        RaiseLastError(TextCannotCreateControl + std::wstring(item.name) + L". ");
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(item.font)), FALSE);
    CompleteControl(control, item);
    return control;
}

void TMainForm::CompleteControl(HWND control, const TLayoutItem& item) {
    if (item.kind == TControlKind::Label && item.align == TAlign::None &&
        (item.width == 0 || item.height == 0)) {
        SIZE text = MeasureLabelText(control, Scale(item.width));
        int width = item.width ? Scale(item.width) : text.cx;
        int height = item.height ? Scale(item.height) : text.cy;
        SetWindowPos(control, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (item.kind == TControlKind::Picture) {
        SIZE size = PictureSize(control);
        SetWindowPos(control, nullptr, 0, 0, Scale(size.cx), Scale(size.cy),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (item.kind == TControlKind::BitmapButton) {
        SetGlyph(control, item.bitmap);
        if (item.label != TControlId::None)
            NamePictureButton(control, int(item.label));
    } else if (item.kind == TControlKind::LogView) {
        TLogView* log = TLogView::FromHandle(control);
        log->SetEndEllipsis(false);
        log->SetFlatBorder(true);
        log->SetFlatScrollBars(true);
        log->SetDoubleBuffered(true);
        log->SetProcessMessages(&ProcessMessages);
        log->SetOpenJournal([] { OpenInNotepad(LogFile()); });
    }
}

void TMainForm::SetGlyph(HWND button, const wchar_t* resource) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    TGdiObject glyph = LoadGlyph(instance, resource, dpi_);
    BITMAP info{};
    GetObjectW(glyph.Get(), sizeof(info), &info);
    // As on any bitmap button, the colour of the bottom-left pixel is see-through.
    COLORREF transparent = CLR_INVALID;
    {
        TMemoryDc dc(CreateCompatibleDC(nullptr));
        TSelectObject select(dc.Get(), glyph.Get());
        transparent = GetPixel(dc.Get(), 0, info.bmHeight - 1);
    }
    TImageList list(ImageList_Create(info.bmWidth, info.bmHeight, ILC_COLOR24 | ILC_MASK, 1, 0));
    if (list.Valid() &&
        ImageList_AddMasked(list.Get(), static_cast<HBITMAP>(glyph.Get()), transparent) >= 0) {
        BUTTON_IMAGELIST images{list.Get(), {0, 0, 0, 0}, BUTTON_IMAGELIST_ALIGN_CENTER};
        if (SendMessageW(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&images))) {
            glyphs_.push_back(std::move(list));
            return;
        }
    }
    // Without the image lists of common controls 6: the plain picture, freshly loaded because adding it
    // to the list blacked out its transparent colour.
    TGdiObject plain = LoadGlyph(instance, resource, dpi_);
    SetWindowLongW(button, GWL_STYLE, GetWindowLongW(button, GWL_STYLE) | BS_BITMAP);
    SendMessageW(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(plain.Get()));
    glyphBitmaps_.push_back(std::move(plain));
}

HFONT TMainForm::FontFor(const TFontStyle& item) {
    for (const auto& [known, font] : fonts_)
        if (known == item)
            return static_cast<HFONT>(font.Get());
    LOGFONTW description{};
    // A negative height asks for the character height, without the internal leading.
    description.lfHeight = -Scale(item.height);
    description.lfWeight = item.bold ? FW_BOLD : FW_NORMAL;
    description.lfCharSet = item.charset;
    description.lfOutPrecision = OUT_DEFAULT_PRECIS;
    description.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    description.lfQuality = DEFAULT_QUALITY;
    description.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    lstrcpynW(description.lfFaceName, item.face, LF_FACESIZE);
    TGdiObject font(CreateFontIndirectW(&description));
    if (!font.Valid())
        RaiseLastError(TextCannotCreateFont + std::wstring(item.face) + L". ");
    HFONT result = static_cast<HFONT>(font.Get());
    fonts_.emplace_back(item, std::move(font));
    return result;
}

// Keyboard order follows the windows' z-order: the tab-ordered controls first, in their order; the
// pictures last, so that labels drawn over them stay on top.
void TMainForm::OrderChildren(TControlId parent) {
    std::vector<const TLayoutItem*> order;
    // Tab orders are a handful of small numbers: taking them one by one keeps equal ones in layout order.
    int lastTab = -1;
    for (const TLayoutItem& item : MainFormLayout())
        if (item.parent == parent)
            lastTab = std::max(lastTab, item.tabOrder);
    for (int tab = 0; tab <= lastTab; ++tab)
        for (const TLayoutItem& item : MainFormLayout())
            if (item.parent == parent && item.tabOrder == tab)
                order.push_back(&item);
    for (const TLayoutItem& item : MainFormLayout())
        if (item.parent == parent && item.tabOrder < 0 && item.kind != TControlKind::Picture)
            order.push_back(&item);
    for (const TLayoutItem& item : MainFormLayout())
        if (item.parent == parent && item.tabOrder < 0 && item.kind == TControlKind::Picture)
            order.push_back(&item);

    HWND after = HWND_TOP;
    for (const TLayoutItem* item : order) {
        HWND control = Control(item->id);
        SetWindowPos(control, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = control;
    }
}

void TMainForm::Arrange() {
    if (laidOut_ && handle_ != nullptr)
        ArrangeChildren(TControlId::None);
}

void TMainForm::ArrangeChildren(TControlId parent) {
    HWND parentWindow = parent == TControlId::None ? handle_ : Control(parent);
    RECT client{};
    GetClientRect(parentWindow, &client);
    RECT area = client;
    // Aligned controls stay inside a panel's bevel.
    if (parent != TControlId::None && LayoutOf(parent).loweredBevel)
        InflateRect(&area, -1, -1);

    auto place = [](HWND control, const RECT& rect) {
        MoveWindow(control, rect.left, rect.top, std::max(0L, rect.right - rect.left),
                   std::max(0L, rect.bottom - rect.top), TRUE);
    };
    for (TAlign align : {TAlign::Top, TAlign::Bottom, TAlign::Left, TAlign::Client}) {
        for (const TLayoutItem& item : MainFormLayout()) {
            if (item.parent != parent || item.align != align)
                continue;
            RECT rect = area;
            switch (align) {
            case TAlign::Top:
                rect.bottom = std::min(area.bottom, area.top + Scale(item.height));
                area.top = rect.bottom;
                break;
            case TAlign::Bottom:
                rect.top = std::max(area.top, area.bottom - Scale(item.height));
                area.bottom = rect.top;
                break;
            case TAlign::Left:
                rect.right = std::min(area.right, area.left + Scale(item.width));
                area.left = rect.right;
                break;
            default:
                break;
            }
            place(Control(item.id), rect);
        }
    }
    for (const TLayoutItem& item : MainFormLayout()) {
        if (item.parent != parent || item.kind != TControlKind::Page)
            continue;
        RECT rect = client;
        InflateRect(&rect, -Scale(PageInset), -Scale(PageInset));
        place(Control(item.id), rect);
    }
    for (const TLayoutItem& item : MainFormLayout())
        if (item.parent == parent && IsContainer(item.kind))
            ArrangeChildren(item.id);
}

void TMainForm::SetActiveControl(HWND control) {
    activeControl_ = control;
    if (handle_ != nullptr && GetActiveWindow() == handle_)
        SetFocus(control);
}

void TMainForm::RestoreFocus() {
    HWND target = activeControl_;
    if (target == nullptr || !IsWindow(target) || !IsWindowVisible(target) || !IsWindowEnabled(target))
        target = GetNextDlgTabItem(handle_, nullptr, FALSE);
    if (target != nullptr)
        SetFocus(target);
}

bool TMainForm::HandleDialogKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || (msg.wParam != VK_RETURN && msg.wParam != VK_ESCAPE))
        return false;
    if (handle_ == nullptr || (msg.hwnd != handle_ && !IsChild(handle_, msg.hwnd)))
        return false;
    if (GetKeyState(VK_SHIFT) < 0 || GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0)
        return false;
    HWND target = Control(TControlId::CancelButton);
    if (msg.wParam == VK_RETURN) {
        HWND focus = GetFocus();
        bool onButton = focus != nullptr && IsChild(handle_, focus) && IsPushButton(focus);
        target = onButton ? focus : Control(TControlId::ForwardButton);
    }
    if (IsWindowEnabled(target) && IsWindowVisible(target))
        OnCommand(GetDlgCtrlID(target), BN_CLICKED);
    return true;
}

void TMainForm::OnCommand(int id, int code) {
    if (code != BN_CLICKED)
        return;
    try {
        switch (TControlId(id)) {
        case TControlId::ForwardButton:
            ForwardButtonClick();
            break;
        case TControlId::BackButton:
            BackButtonClick();
            break;
        case TControlId::CancelButton:
            CancelButtonClick();
            break;
        case TControlId::RestoreButton:
            RestoreButtonClick();
            break;
        case TControlId::RemoveButton:
            RemoveButtonClick();
            break;
        case TControlId::bPickDirectory:
            bPickDirectoryClick();
            break;
        default:
            break;
        }
    } catch (...) {
        HandleException();
    }
}

LRESULT CALLBACK TMainForm::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto* form = reinterpret_cast<TMainForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        form = static_cast<TMainForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        form->handle_ = window;
    }
    if (form == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        form->handle_ = nullptr;
        form->controls_.fill(nullptr);
        form->activeControl_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    try {
        return form->HandleWindowMessage(message, wParam, lParam);
    } catch (...) {
        HandleException();
    }
    return 0;
}

LRESULT TMainForm::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_GETMINMAXINFO: {
        auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
        limits->ptMinTrackSize = {Scale(FormWidth), Scale(FormHeight)};
        limits->ptMaxTrackSize = {Scale(FormMaxWidth), Scale(FormHeight)};
        return 0;
    }
    case WM_WINDOWPOSCHANGING: {
        // The limits hold for every change of size, not only for the user's dragging.
        auto* position = reinterpret_cast<WINDOWPOS*>(lParam);
        if ((position->flags & SWP_NOSIZE) == 0 && !IsIconic(handle_)) {
            position->cx = std::clamp(position->cx, Scale(FormWidth), Scale(FormMaxWidth));
            position->cy = Scale(FormHeight);
        }
        break;
    }
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED)
            Arrange();
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus != nullptr && IsChild(handle_, focus))
                activeControl_ = focus;
        } else {
            RestoreFocus();
            // Work done on activation may pump messages, which may activate the form again.
            if (!inFormActivate_) {
                inFormActivate_ = true;
                try {
                    FormActivate();
                } catch (...) {
                    inFormActivate_ = false;
                    throw;
                }
                inFormActivate_ = false;
            }
        }
        return 0;
    case WM_SETFOCUS:
        RestoreFocus();
        return 0;
    case WM_SHOWWINDOW:
        if (wParam)
            FormShow();
        break;
    case WM_CLOSE:
        // Closing from outside (Alt+F4, the task bar) is the cancel button's question, and only while the
        // cancel button is on: never in the middle of a run.
        if (IsWindowEnabled(Control(TControlId::CancelButton)))
            CancelButtonClick();
        return 0;
    case WM_CLOSEFORM:
        DestroyWindow(handle_);
        return 0;
    case WM_DESTROY:
        FormDestroy();
        if (MainForm == this)
            Terminate();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(handle_, message, wParam, lParam);
}

void TMainForm::SetText(TControlId id, const std::wstring& text) {
    SetWindowTextW(Control(id), text.c_str());
}

std::wstring TMainForm::GetText(TControlId id) const {
    return WindowText(Control(id));
}

bool TMainForm::IsChecked(TControlId id) const {
    return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

} // namespace zarvo
