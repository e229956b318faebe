#include "logview/LogViewAccessible.h"

#include "common/Accessible.h"
#include "logview/LogView.h"

#include <optional>

namespace zarvo {

namespace {

// The list's own name: the window's text is every line at once.
constexpr wchar_t ListName[] = L"Журнал установки";

class TLogAccessible : public TAccessibleBase {
public:
    using TAccessibleBase::TAccessibleBase;

    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        if (count == nullptr)
            return E_POINTER;
        const TLogView* view = View();
        *count = view ? LONG(view->LineCount()) : 0;
        return view ? S_OK : RPC_E_DISCONNECTED;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        // Lines are simple items without objects of their own.
        return Line(child) ? S_FALSE : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (IsSelf(child))
            return ToBstr(ListName, name);
        std::optional<size_t> line = Line(child);
        return line ? ToBstr(View()->LineText(*line), name) : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (role == nullptr)
            return E_POINTER;
        if (!IsSelf(child) && !Line(child))
            return E_INVALIDARG;
        role->vt = VT_I4;
        role->lVal = IsSelf(child) ? ROLE_SYSTEM_LIST : ROLE_SYSTEM_LISTITEM;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (IsSelf(child)) {
            HRESULT result = TAccessibleBase::get_accState(child, state);
            if (SUCCEEDED(result) && state->vt == VT_I4)
                state->lVal |= STATE_SYSTEM_READONLY;
            return result;
        }
        std::optional<size_t> line = Line(child);
        if (state == nullptr)
            return E_POINTER;
        if (!line)
            return E_INVALIDARG;
        const TLogView* view = View();
        LONG flags = STATE_SYSTEM_READONLY | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
        if (HasFocus() && *line == size_t(view->FocusedRow()))
            flags |= STATE_SYSTEM_FOCUSED | STATE_SYSTEM_SELECTED;
        const int row = int(*line);
        if (row >= view->RowCount() || row < view->TopRow() || RowRect(row).top >= ClientHeight())
            flags |= STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;
        state->vt = VT_I4;
        state->lVal = flags;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override {
        if (child == nullptr)
            return E_POINTER;
        const TLogView* view = View();
        if (view == nullptr || !HasFocus()) {
            child->vt = VT_EMPTY;
            return S_FALSE;
        }
        child->vt = VT_I4;
        child->lVal = view->LineCount() == 0 ? CHILDID_SELF : view->FocusedRow() + 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        if (children == nullptr)
            return E_POINTER;
        children->vt = VT_EMPTY;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        if (IsSelf(child))
            return TAccessibleBase::accLocation(left, top, width, height, child);
        std::optional<size_t> line = Line(child);
        if (left == nullptr || top == nullptr || width == nullptr || height == nullptr)
            return E_POINTER;
        if (!line)
            return E_INVALIDARG;
        RECT rect = RowRect(int(*line));
        MapWindowPoints(Window(), nullptr, reinterpret_cast<POINT*>(&rect), 2);
        *left = rect.left;
        *top = rect.top;
        *width = rect.right - rect.left;
        *height = rect.bottom - rect.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
        const TLogView* view = View();
        if (end == nullptr)
            return E_POINTER;
        if (view == nullptr)
            return RPC_E_DISCONNECTED;
        const LONG count = LONG(view->LineCount());
        LONG target = 0;
        if (IsSelf(start) && (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD))
            target = direction == NAVDIR_FIRSTCHILD ? 1 : count;
        else if (IsSelf(start))
            return TAccessibleBase::accNavigate(direction, start, end);
        else if (!Line(start))
            return E_INVALIDARG;
        else if (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN)
            target = start.lVal + 1;
        else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP)
            target = start.lVal - 1;
        end->vt = VT_EMPTY;
        if (target < 1 || target > count)
            return S_FALSE;
        end->vt = VT_I4;
        end->lVal = target;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG left, LONG top, VARIANT* child) override {
        HRESULT result = TAccessibleBase::accHitTest(left, top, child);
        const TLogView* view = View();
        if (result != S_OK || view == nullptr || child->vt != VT_I4 || child->lVal != CHILDID_SELF)
            return result;
        POINT point{left, top};
        ScreenToClient(Window(), &point);
        const int row = view->TopRow() + point.y / view->RowHeight();
        if (point.y >= 0 && row < view->RowCount())
            child->lVal = row + 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return IsSelf(child) ? TAccessibleBase::get_accValue(child, value) : NoText(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
        return IsSelf(child) ? TAccessibleBase::get_accDescription(child, text) : NoText(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* text) override {
        return IsSelf(child) ? TAccessibleBase::get_accHelp(child, text) : NoText(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* text) override {
        return IsSelf(child) ? TAccessibleBase::get_accKeyboardShortcut(child, text) : NoText(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* text) override {
        return IsSelf(child) ? TAccessibleBase::get_accDefaultAction(child, text) : NoText(child, text);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        return IsSelf(child) ? TAccessibleBase::accDoDefaultAction(child) : DISP_E_MEMBERNOTFOUND;
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
        return IsSelf(child) ? TAccessibleBase::accSelect(flags, child) : DISP_E_MEMBERNOTFOUND;
    }

private:
    // Looked up at every call: a client may keep the object after the control is gone.
    const TLogView* View() const { return TLogView::FromHandle(Window()); }
    bool HasFocus() const { return GetFocus() == Window(); }
    static bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }
    std::optional<size_t> Line(const VARIANT& child) const {
        const TLogView* view = View();
        if (view == nullptr || child.vt != VT_I4 || child.lVal < 1 || size_t(child.lVal) > view->LineCount())
            return std::nullopt;
        return size_t(child.lVal - 1);
    }
    int ClientHeight() const {
        RECT client{};
        GetClientRect(Window(), &client);
        return client.bottom;
    }
    RECT RowRect(int row) const {
        const TLogView* view = View();
        RECT client{};
        GetClientRect(Window(), &client);
        const int top = (row - view->TopRow()) * view->RowHeight();
        return {0, top, client.right, top + view->RowHeight()};
    }
    HRESULT NoText(const VARIANT& child, BSTR* text) const {
        if (text == nullptr)
            return E_POINTER;
        *text = nullptr;
        return Line(child) ? S_FALSE : E_INVALIDARG;
    }
};

} // namespace

LRESULT AnswerLogViewObject(HWND window, WPARAM wParam) {
    auto* object = new TLogAccessible(window);
    LRESULT result = object->Valid() ? AccessibleResult(wParam, object) : 0;
    object->Release();
    return result;
}

void NotifyLineAdded(HWND window, size_t line) {
    NotifyWinEvent(EVENT_OBJECT_CREATE, window, OBJID_CLIENT, LONG(line + 1));
}

void NotifyLineFocused(HWND window, size_t line) {
    if (GetFocus() == window)
        NotifyWinEvent(EVENT_OBJECT_FOCUS, window, OBJID_CLIENT, LONG(line + 1));
}

} // namespace zarvo
