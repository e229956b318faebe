#pragma once
// What a window answers accessibility clients (screen readers) through WM_GETOBJECT: an IAccessible that
// gives the system's own answers for the window (its place, parent, keyboard, navigation) except where a
// control says more. The accessibility library is loaded from the system folder when first asked for,
// never imported: the program does not load it from the folder it was started in.

#include <windows.h>
#include <oleacc.h>

#include <string>

namespace zarvo {

// The answer to WM_GETOBJECT for the object: LresultFromObject. 0 when the library cannot be had, so
// that the window's default handling answers instead.
LRESULT AccessibleResult(WPARAM wParam, IAccessible* object);

// A BSTR of the text for a client; S_OK, or E_OUTOFMEMORY.
HRESULT ToBstr(const std::wstring& text, BSTR* result);

// Forwards every call to the system's standard object of the window's client area. Derived objects
// answer what their control knows; reference counted, freed at the last Release.
class TAccessibleBase : public IAccessible {
public:
    explicit TAccessibleBase(HWND window);
    TAccessibleBase(const TAccessibleBase&) = delete;
    TAccessibleBase& operator=(const TAccessibleBase&) = delete;
    // False when the system gave no standard object to build on.
    bool Valid() const noexcept { return standard_ != nullptr; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch: no type information; clients call the methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override;
    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(LONG left, LONG top, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

protected:
    virtual ~TAccessibleBase();
    HWND Window() const noexcept { return window_; }
    IAccessible* Standard() const noexcept { return standard_; }

private:
    HWND window_;
    IAccessible* standard_ = nullptr;
    LONG references_ = 1;
};

// A push button that shows a picture instead of a text: named by the text of another window, its label,
// and a push button whatever the system makes of a button without a text.
class TPictureButtonAccessible : public TAccessibleBase {
public:
    TPictureButtonAccessible(HWND window, HWND label) : TAccessibleBase(window), label_(label) {}
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;

private:
    HWND label_;
};

} // namespace zarvo
