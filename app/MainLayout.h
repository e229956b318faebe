#pragma once
// The main form's layout: every window of TMainForm as one row of a table. Positions, sizes and font
// heights are pixels at 96 DPI; the form scales them to the screen's DPI when it creates the controls.

#include <windows.h>

#include <span>

namespace zarvo {

// Control identifiers double as the windows' control IDs, so they are unique across the whole form.
enum class TControlId : int {
    None = 0,
    LeftPanel = 100,
    Image2,
    lDate,
    lDescription,
    BottomPanel,
    CancelButton,
    BackButton,
    ForwardButton,
    Pages,
    SheetNew,
    Label6,
    Label10,
    Label9,
    Label7,
    SheetAlready,
    Label12,
    RestoreButton,
    Label1,
    Label2,
    cbAutoReinstall,
    RemoveButton,
    Label3,
    Label4,
    SheetPath,
    Label5,
    PathEdit,
    bPickDirectory,
    cbNewAutoReinstall,
    SheetStatus,
    M,
    End
};

enum class TControlKind {
    Panel,        // container with a colour and optionally a lowered outer bevel
    PageControl,  // container of the pages; has no tabs, pages change only through ShowPage
    Page,         // container filling the page control
    Label,        // text, painted over whatever its parent shows behind it
    Picture,      // a bitmap resource
    Button,       // push button
    BitmapButton, // push button showing a glyph resource instead of a caption
    CheckBox,     // check box
    Edit,         // single-line edit
    LogView       // the run's log (TLogView)
};

// Aligned controls are placed in the order top, bottom, left, client, each taking its band from what
// the earlier ones left; within one alignment in table order.
enum class TAlign { None, Top, Bottom, Left, Client };

enum class TTextAlign { Left, Center, Right };

struct TFontStyle {
    const wchar_t* face = L"Tahoma";
    int height = 11; // character height in pixels at 96 DPI
    bool bold = false;
    BYTE charset = DEFAULT_CHARSET;

    bool operator==(const TFontStyle& other) const = default;
};

inline constexpr TFontStyle FormFont{};
inline constexpr COLORREF ButtonFaceColor = CLR_INVALID; // the system's button face
inline constexpr COLORREF WindowTextColor = CLR_INVALID; // the system's window text
inline constexpr COLORREF CreamColor = RGB(255, 251, 240);

struct TLayoutItem {
    TControlId id;
    TControlId parent; // None: the form itself
    const wchar_t* name;
    TControlKind kind;
    TAlign align = TAlign::None;
    int left = 0, top = 0;
    int width = 0, height = 0; // 0: taken from the content (text extent or picture size)
    const wchar_t* caption = L"";
    TFontStyle font = FormFont;
    TTextAlign textAlign = TTextAlign::Left;
    bool verticalCenter = false;
    bool wordWrap = false;
    int tabOrder = -1; // position among the parent's children in keyboard order; -1: not in it
    bool tabStop = false;
    bool enabled = true;
    bool visible = true;
    COLORREF color = ButtonFaceColor; // containers: background; labels: text (WindowTextColor)
    bool loweredBevel = false;
    const wchar_t* bitmap = nullptr;     // BITMAP resource of a picture or bitmap button
    TControlId label = TControlId::None; // a bitmap button's label: its name for screen readers
    int tag = 0;
};

// The whole form, parents before their children.
std::span<const TLayoutItem> MainFormLayout();
const TLayoutItem& LayoutOf(TControlId id);

// The form itself.
inline constexpr int FormWidth = 652;
inline constexpr int FormHeight = 352;
inline constexpr int FormMaxWidth = 1024;
inline constexpr const wchar_t* FormCaption = L"Установка Zarvo";
inline constexpr const wchar_t* AutoModeCaption = L"Автоматическая переустановка Zarvo";
// The pages sit this far inside the page control, as a page control's sheets do.
inline constexpr int PageInset = 4;

} // namespace zarvo
