#include "common/Accessible.h"

#include "common/Handles.h"
#include "common/Libraries.h"
#include "common/WindowText.h"

namespace zarvo {

namespace {

using TLresultFromObject = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
using TCreateStdAccessibleObject = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);

struct TAccessibilityLibrary {
    TModule module{LoadSystemLibrary(L"oleacc.dll")};
    TLresultFromObject lresultFromObject = Bind<TLresultFromObject>("LresultFromObject");
    TCreateStdAccessibleObject createStandard = Bind<TCreateStdAccessibleObject>("CreateStdAccessibleObject");

    template <typename Function> Function Bind(const char* name) const {
        return module
                   ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module.Get(), name)))
                   : nullptr;
    }
};

// Loaded at the first question, on the thread of the windows, and kept: clients hold its objects. Only
// that thread asks, so the pointer needs none of the runtime's guards a static object would bring.
const TAccessibilityLibrary& AccessibilityLibrary() {
    static const TAccessibilityLibrary* library = nullptr;
    if (library == nullptr)
        library = new TAccessibilityLibrary;
    return *library;
}

} // namespace

LRESULT AccessibleResult(WPARAM wParam, IAccessible* object) {
    const TAccessibilityLibrary& library = AccessibilityLibrary();
    return library.lresultFromObject ? library.lresultFromObject(__uuidof(IAccessible), wParam, object) : 0;
}

HRESULT ToBstr(const std::wstring& text, BSTR* result) {
    if (result == nullptr)
        return E_POINTER;
    *result = SysAllocStringLen(text.data(), UINT(text.size()));
    return *result ? S_OK : E_OUTOFMEMORY;
}

TAccessibleBase::TAccessibleBase(HWND window) : window_(window) {
    const TAccessibilityLibrary& library = AccessibilityLibrary();
    if (library.createStandard == nullptr ||
        FAILED(library.createStandard(window, OBJID_CLIENT, __uuidof(IAccessible),
                                      reinterpret_cast<void**>(&standard_))))
        standard_ = nullptr;
}

TAccessibleBase::~TAccessibleBase() {
    if (standard_)
        standard_->Release();
}

HRESULT TAccessibleBase::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr)
        return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible)) {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG TAccessibleBase::AddRef() {
    return ULONG(InterlockedIncrement(&references_));
}

ULONG TAccessibleBase::Release() {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0)
        delete this;
    return ULONG(left);
}

HRESULT TAccessibleBase::GetTypeInfoCount(UINT* count) {
    if (count == nullptr)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT TAccessibleBase::GetTypeInfo(UINT, LCID, ITypeInfo**) {
    return E_NOTIMPL;
}

HRESULT TAccessibleBase::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

HRESULT TAccessibleBase::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

HRESULT TAccessibleBase::get_accParent(IDispatch** parent) {
    return standard_->get_accParent(parent);
}

HRESULT TAccessibleBase::get_accChildCount(LONG* count) {
    return standard_->get_accChildCount(count);
}

HRESULT TAccessibleBase::get_accChild(VARIANT child, IDispatch** object) {
    return standard_->get_accChild(child, object);
}

HRESULT TAccessibleBase::get_accName(VARIANT child, BSTR* name) {
    return standard_->get_accName(child, name);
}

HRESULT TAccessibleBase::get_accValue(VARIANT child, BSTR* value) {
    return standard_->get_accValue(child, value);
}

HRESULT TAccessibleBase::get_accDescription(VARIANT child, BSTR* description) {
    return standard_->get_accDescription(child, description);
}

HRESULT TAccessibleBase::get_accRole(VARIANT child, VARIANT* role) {
    return standard_->get_accRole(child, role);
}

HRESULT TAccessibleBase::get_accState(VARIANT child, VARIANT* state) {
    return standard_->get_accState(child, state);
}

HRESULT TAccessibleBase::get_accHelp(VARIANT child, BSTR* help) {
    return standard_->get_accHelp(child, help);
}

HRESULT TAccessibleBase::get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) {
    return standard_->get_accHelpTopic(file, child, topic);
}

HRESULT TAccessibleBase::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
    return standard_->get_accKeyboardShortcut(child, shortcut);
}

HRESULT TAccessibleBase::get_accFocus(VARIANT* child) {
    return standard_->get_accFocus(child);
}

HRESULT TAccessibleBase::get_accSelection(VARIANT* children) {
    return standard_->get_accSelection(children);
}

HRESULT TAccessibleBase::get_accDefaultAction(VARIANT child, BSTR* action) {
    return standard_->get_accDefaultAction(child, action);
}

HRESULT TAccessibleBase::accSelect(long flags, VARIANT child) {
    return standard_->accSelect(flags, child);
}

HRESULT TAccessibleBase::accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) {
    return standard_->accLocation(left, top, width, height, child);
}

HRESULT TAccessibleBase::accNavigate(long direction, VARIANT start, VARIANT* end) {
    return standard_->accNavigate(direction, start, end);
}

HRESULT TAccessibleBase::accHitTest(LONG left, LONG top, VARIANT* child) {
    return standard_->accHitTest(left, top, child);
}

HRESULT TAccessibleBase::accDoDefaultAction(VARIANT child) {
    return standard_->accDoDefaultAction(child);
}

HRESULT TAccessibleBase::put_accName(VARIANT child, BSTR name) {
    return standard_->put_accName(child, name);
}

HRESULT TAccessibleBase::put_accValue(VARIANT child, BSTR value) {
    return standard_->put_accValue(child, value);
}

HRESULT TPictureButtonAccessible::get_accName(VARIANT child, BSTR* name) {
    if (child.vt != VT_I4 || child.lVal != CHILDID_SELF)
        return TAccessibleBase::get_accName(child, name);
    return ToBstr(WindowText(label_), name);
}

HRESULT TPictureButtonAccessible::get_accRole(VARIANT child, VARIANT* role) {
    if (child.vt != VT_I4 || child.lVal != CHILDID_SELF)
        return TAccessibleBase::get_accRole(child, role);
    if (role == nullptr)
        return E_POINTER;
    role->vt = VT_I4;
    role->lVal = ROLE_SYSTEM_PUSHBUTTON;
    return S_OK;
}

} // namespace zarvo
