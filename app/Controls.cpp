#include "app/Controls.h"

#include "app/Application.h"
#include "app/Picture.h"
#include "common/GdiHandles.h"
#include "common/WindowText.h"

#include <memory>
#include <optional>
#include <vector>

namespace zarvo {

namespace {

// Each class's data, with what its window procedure (ControlProc) does for that class: Create makes the
// data from the creation parameters (nothing: creation fails), Paint paints the whole client area
// (`printing` for WM_PRINTCLIENT), Handle answers the other messages (nothing: the default processing).
struct TPanelData {
    TPanelParams params;
    TGdiObject ownBrush;

    HBRUSH Brush() const {
        if (ownBrush.Valid())
            return static_cast<HBRUSH>(ownBrush.Get());
        return GetSysColorBrush(COLOR_BTNFACE);
    }

    static std::unique_ptr<TPanelData> Create(const CREATESTRUCTW& create);
    static void Paint(HWND panel, HDC dc, bool printing);
    static std::optional<LRESULT> Handle(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);
};

struct TLabelData {
    TLabelParams params;
    HFONT font = nullptr; // owned by the form

    static std::unique_ptr<TLabelData> Create(const CREATESTRUCTW& create);
    static void Paint(HWND label, HDC target, bool printing);
    static std::optional<LRESULT> Handle(HWND label, UINT message, WPARAM wParam, LPARAM lParam);
};

struct TPictureData {
    TGdiObject bitmap;
    SIZE size{};

    static std::unique_ptr<TPictureData> Create(const CREATESTRUCTW& create);
    static void Paint(HWND picture, HDC dc, bool printing);
    static std::optional<LRESULT> Handle(HWND picture, UINT message, WPARAM wParam, LPARAM lParam);
};

template <typename Data> Data* DataOf(HWND window) {
    return reinterpret_cast<Data*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

bool HasClass(HWND window, const wchar_t* className) {
    wchar_t name[64];
    return GetClassNameW(window, name, 64) > 0 && lstrcmpiW(name, className) == 0;
}

RECT ClientRect(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

// A child's rectangle in its parent's client coordinates.
RECT RectInParent(HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void DrawPicture(HWND picture, HDC dc, const RECT& target) {
    TPictureData* data = DataOf<TPictureData>(picture);
    if (data == nullptr || !data->bitmap.Valid())
        return;
    TMemoryDc source(CreateCompatibleDC(dc));
    if (!source.Valid())
        return;
    TSelectObject select(source.Get(), data->bitmap.Get());
    int width = target.right - target.left, height = target.bottom - target.top;
    if (width == data->size.cx && height == data->size.cy) {
        BitBlt(dc, target.left, target.top, width, height, source.Get(), 0, 0, SRCCOPY);
        return;
    }
    // Scaled for the screen's DPI.
    int previousMode = SetStretchBltMode(dc, HALFTONE);
    POINT previousOrigin;
    SetBrushOrgEx(dc, 0, 0, &previousOrigin);
    StretchBlt(dc, target.left, target.top, width, height, source.Get(), 0, 0, data->size.cx, data->size.cy,
               SRCCOPY);
    SetBrushOrgEx(dc, previousOrigin.x, previousOrigin.y, nullptr);
    SetStretchBltMode(dc, previousMode);
}

// Background, bevel and, for a label drawing itself over it, the pictures below.
void PaintPanel(HWND panel, HDC dc, bool withPictures) {
    TPanelData* data = DataOf<TPanelData>(panel);
    RECT client = ClientRect(panel);
    FillRect(dc, &client, data ? data->Brush() : GetSysColorBrush(COLOR_BTNFACE));
    if (data != nullptr && data->params.loweredBevel)
        DrawEdge(dc, &client, BDR_SUNKENOUTER, BF_RECT);
    if (!withPictures)
        return;
    for (HWND child = GetWindow(panel, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (IsWindowVisible(child) && HasClass(child, PictureClassName))
            DrawPicture(child, dc, RectInParent(child));
    }
}

// What the parent shows behind a child, painted into the child's device context: labels are
// transparent over panels and pictures alike.
void PaintParentBackground(HWND child, HDC dc) {
    HWND parent = GetParent(child);
    POINT offset{0, 0};
    MapWindowPoints(child, parent, &offset, 1);
    POINT previous;
    OffsetViewportOrgEx(dc, -offset.x, -offset.y, &previous);
    if (HasClass(parent, PanelClassName)) {
        PaintPanel(parent, dc, true);
    } else {
        RECT client = ClientRect(parent);
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    }
    SetViewportOrgEx(dc, previous.x, previous.y, nullptr);
}

UINT LabelFormat(const TLabelParams& params) {
    UINT format = DT_NOPREFIX | DT_EXPANDTABS;
    if (params.wordWrap)
        format |= DT_WORDBREAK;
    switch (params.align) {
    case TTextAlign::Left:
        format |= DT_LEFT;
        break;
    case TTextAlign::Center:
        format |= DT_CENTER;
        break;
    case TTextAlign::Right:
        format |= DT_RIGHT;
        break;
    }
    return format;
}

void TLabelData::Paint(HWND label, HDC target, bool) {
    TLabelData* data = DataOf<TLabelData>(label);
    RECT client = ClientRect(label);
    int width = client.right, height = client.bottom;
    if (data == nullptr || width <= 0 || height <= 0)
        return;
    // Drawn off-screen so that a changed text does not flicker over the background.
    TMemoryDc buffer(CreateCompatibleDC(target));
    TGdiObject bitmap(CreateCompatibleBitmap(target, width, height));
    if (!buffer.Valid() || !bitmap.Valid())
        return;
    TSelectObject selectBitmap(buffer.Get(), bitmap.Get());
    HDC dc = buffer.Get();
    PaintParentBackground(label, dc);

    TSelectObject selectFont(dc, data->font ? data->font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsWindowEnabled(label) ? ResolveColor(data->params.color, COLOR_WINDOWTEXT)
                                            : GetSysColor(COLOR_GRAYTEXT));
    std::wstring text = WindowText(label);
    UINT format = LabelFormat(data->params);
    RECT textRect = client;
    if (data->params.verticalCenter) {
        RECT measured = client;
        DrawTextW(dc, text.c_str(), int(text.size()), &measured, format | DT_CALCRECT);
        int textHeight = measured.bottom - measured.top;
        textRect.top = (height - textHeight) / 2;
        textRect.bottom = textRect.top + textHeight;
    }
    DrawTextW(dc, text.c_str(), int(text.size()), &textRect, format);
    BitBlt(target, 0, 0, width, height, dc, 0, 0, SRCCOPY);
}

// The three classes' window procedure: the data lives from WM_NCCREATE to WM_NCDESTROY, and nothing
// thrown leaves the procedure.
template <typename Data>
LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    try {
        switch (message) {
        case WM_NCCREATE: {
            std::unique_ptr<Data> data = Data::Create(*reinterpret_cast<const CREATESTRUCTW*>(lParam));
            if (data == nullptr)
                return FALSE;
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data.release()));
            break;
        }
        case WM_NCDESTROY:
            delete reinterpret_cast<Data*>(SetWindowLongPtrW(window, GWLP_USERDATA, 0));
            break;
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window, &paint);
            Data::Paint(window, dc, false);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_PRINTCLIENT:
            Data::Paint(window, reinterpret_cast<HDC>(wParam), true);
            return 0;
        default:
            if (std::optional<LRESULT> result = Data::Handle(window, message, wParam, lParam))
                return *result;
            break;
        }
    } catch (...) {
        HandleException();
        if (message == WM_NCCREATE)
            return FALSE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

std::unique_ptr<TPanelData> TPanelData::Create(const CREATESTRUCTW& create) {
    auto data = std::make_unique<TPanelData>();
    if (create.lpCreateParams != nullptr)
        data->params = *static_cast<const TPanelParams*>(create.lpCreateParams);
    if (data->params.color != ButtonFaceColor) {
        data->ownBrush.Reset(CreateSolidBrush(data->params.color));
        if (!data->ownBrush.Valid())
            return nullptr;
    }
    return data;
}

// Printed, a panel brings its pictures along; on screen they paint themselves.
void TPanelData::Paint(HWND panel, HDC dc, bool printing) {
    PaintPanel(panel, dc, printing);
}

std::optional<LRESULT> TPanelData::Handle(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    // The form handles every control's notifications, wherever the control sits.
    case WM_COMMAND:
    case WM_NOTIFY: {
        HWND form = GetAncestor(panel, GA_ROOT);
        if (form != nullptr && form != panel)
            return SendMessageW(form, message, wParam, lParam);
        return std::nullopt;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        TPanelData* data = DataOf<TPanelData>(panel);
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkColor(dc, ResolveColor(data ? data->params.color : ButtonFaceColor, COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(data ? data->Brush() : GetSysColorBrush(COLOR_BTNFACE));
    }
    default:
        return std::nullopt;
    }
}

std::unique_ptr<TLabelData> TLabelData::Create(const CREATESTRUCTW& create) {
    auto data = std::make_unique<TLabelData>();
    if (create.lpCreateParams != nullptr)
        data->params = *static_cast<const TLabelParams*>(create.lpCreateParams);
    return data;
}

std::optional<LRESULT> TLabelData::Handle(HWND label, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SETTEXT: {
        LRESULT result = DefWindowProcW(label, message, wParam, lParam);
        InvalidateRect(label, nullptr, FALSE);
        return result;
    }
    case WM_SETFONT:
        if (TLabelData* data = DataOf<TLabelData>(label))
            data->font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam))
            InvalidateRect(label, nullptr, FALSE);
        return 0;
    case WM_GETFONT:
        if (TLabelData* data = DataOf<TLabelData>(label))
            return reinterpret_cast<LRESULT>(data->font);
        return 0;
    case WM_ENABLE:
        InvalidateRect(label, nullptr, FALSE);
        return 0;
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    default:
        return std::nullopt;
    }
}

std::unique_ptr<TPictureData> TPictureData::Create(const CREATESTRUCTW& create) {
    auto* params = static_cast<const TPictureParams*>(create.lpCreateParams);
    if (params == nullptr || params->bitmap == nullptr)
        return nullptr;
    auto data = std::make_unique<TPictureData>();
    data->bitmap = LoadPicture(params->instance, params->bitmap);
    BITMAP info{};
    if (!data->bitmap.Valid() || GetObjectW(data->bitmap.Get(), sizeof(info), &info) == 0)
        return nullptr;
    data->size = {info.bmWidth, info.bmHeight};
    return data;
}

void TPictureData::Paint(HWND picture, HDC dc, bool) {
    DrawPicture(picture, dc, ClientRect(picture));
}

std::optional<LRESULT> TPictureData::Handle(HWND, UINT message, WPARAM, LPARAM) {
    if (message == WM_NCHITTEST)
        return HTTRANSPARENT;
    return std::nullopt;
}

bool Register(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, UINT style) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = name;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

COLORREF ResolveColor(COLORREF color, int systemColor) {
    return color == CLR_INVALID ? GetSysColor(systemColor) : color;
}

bool RegisterControlClasses(HINSTANCE instance) {
    // Panels and labels repaint whole when resized: bevels and centred or right-aligned text move.
    return Register(instance, PanelClassName, &ControlProc<TPanelData>, CS_HREDRAW | CS_VREDRAW) &&
           Register(instance, LabelClassName, &ControlProc<TLabelData>, CS_HREDRAW | CS_VREDRAW) &&
           Register(instance, PictureClassName, &ControlProc<TPictureData>, 0);
}

SIZE MeasureLabelText(HWND label, int wrapWidth) {
    TLabelData* data = DataOf<TLabelData>(label);
    if (data == nullptr)
        return {};
    TWindowDc dc(label);
    if (dc.Get() == nullptr)
        return {};
    TSelectObject selectFont(dc.Get(), data->font ? data->font : GetStockObject(DEFAULT_GUI_FONT));
    std::wstring text = WindowText(label);
    TLabelParams params = data->params;
    params.wordWrap = params.wordWrap && wrapWidth > 0;
    RECT rect{0, 0, wrapWidth, 0};
    DrawTextW(dc.Get(), text.c_str(), int(text.size()), &rect, LabelFormat(params) | DT_CALCRECT);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

SIZE PictureSize(HWND picture) {
    TPictureData* data = HasClass(picture, PictureClassName) ? DataOf<TPictureData>(picture) : nullptr;
    return data ? data->size : SIZE{};
}

COLORREF PanelColor(HWND panel) {
    TPanelData* data = HasClass(panel, PanelClassName) ? DataOf<TPanelData>(panel) : nullptr;
    return ResolveColor(data ? data->params.color : ButtonFaceColor, COLOR_BTNFACE);
}

} // namespace zarvo
