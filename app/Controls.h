#pragma once
// The form's own window classes: containers (panels, the page control and its pages), labels and
// pictures. Standard buttons, check boxes and edits are the system's controls.

#include "app/MainLayout.h"

#include <windows.h>

#include <string>

namespace zarvo {

inline constexpr const wchar_t* PanelClassName = L"ZarvoPanel";
inline constexpr const wchar_t* LabelClassName = L"ZarvoLabel";
inline constexpr const wchar_t* PictureClassName = L"ZarvoPicture";

// Registers the three classes once per process. False when the system refuses one.
bool RegisterControlClasses(HINSTANCE instance);

// Creation parameters (the lpParam of CreateWindowExW) of each class; the window keeps a copy.
struct TPanelParams {
    COLORREF color = ButtonFaceColor;
    bool loweredBevel = false;
};

struct TLabelParams {
    TTextAlign align = TTextAlign::Left;
    bool verticalCenter = false;
    bool wordWrap = false;
    COLORREF color = WindowTextColor;
};

struct TPictureParams {
    HINSTANCE instance = nullptr;
    const wchar_t* bitmap = nullptr; // BITMAP resource; creation fails when it cannot be loaded
};

// The size of the text a label shows, in its font: one line unless the label wraps, in which case
// the text is broken to the given width.
SIZE MeasureLabelText(HWND label, int wrapWidth);
// The natural size of a picture's bitmap.
SIZE PictureSize(HWND picture);
// A container's background colour as painted.
COLORREF PanelColor(HWND panel);

// A colour of the layout as painted: CLR_INVALID stands for the given system colour.
COLORREF ResolveColor(COLORREF color, int systemColor);

} // namespace zarvo
