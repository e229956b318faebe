// TLogView as screen readers see it, asked through AccessibleObjectFromWindow as a client asks: the list
// of lines with their names, roles and focus, and the events of a new line.

#include "LogViewTestSupport.h"

#include "common/Handles.h"

#include <oleacc.h>
#include <wrl/client.h>

#include <algorithm>
#include <vector>

namespace zarvo::testing {

namespace {

using Microsoft::WRL::ComPtr;

VARIANT Child(LONG id) {
    VARIANT child;
    VariantInit(&child);
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

std::wstring NameOf(IAccessible* object, LONG id) {
    BSTR name = nullptr;
    std::wstring text;
    if (object->get_accName(Child(id), &name) == S_OK && name != nullptr)
        text.assign(name, SysStringLen(name));
    SysFreeString(name);
    return text;
}

// The role, or with state set the state, of an item; 0 when it has none.
LONG NumberOf(IAccessible* object, LONG id, bool state = false) {
    VARIANT value;
    VariantInit(&value);
    HRESULT result = state ? object->get_accState(Child(id), &value) : object->get_accRole(Child(id), &value);
    return SUCCEEDED(result) && value.vt == VT_I4 ? value.lVal : 0;
}

// Window events the control raised in this process, as (event, object, child).
struct TEvent {
    DWORD event;
    LONG object, child;
    bool operator==(const TEvent&) const = default;
};
std::vector<TEvent> Events;
HWND Watched = nullptr;

void CALLBACK RecordEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD,
                          DWORD) noexcept {
    if (window == Watched)
        Events.push_back({event, object, child});
}

class LogViewAccessibility : public LogViewTest {
protected:
    void SetUp() override {
        LogViewTest::SetUp();
        ASSERT_TRUE(com.Succeeded());
    }
    ComPtr<IAccessible> Object() {
        ComPtr<IAccessible> object;
        EXPECT_EQ(AccessibleObjectFromWindow(log, DWORD(OBJID_CLIENT), IID_IAccessible,
                                             reinterpret_cast<void**>(object.GetAddressOf())),
                  S_OK);
        return object;
    }
    TComInit com;
};

} // namespace

TEST_F(LogViewAccessibility, ListsOneNamedItemPerLineAndFocusesTheNewestWhileFocused) {
    const std::vector<std::pair<std::wstring, uint8_t>> lines = {
        {L"Создание пути C:\\Zarvo", LogStatusInfo},
        {L"Ошибка: Невозможно распаковать Orvan.exe", LogStatusError},
        {L"Установка ПО \"Вирдана\" завершена с ошибками.", LogStatusInfo},
    };
    for (const auto& [text, status] : lines)
        view->AddMessage(text, status);
    ComPtr<IAccessible> object = Object();
    ASSERT_TRUE(object);

    EXPECT_EQ(NumberOf(object.Get(), CHILDID_SELF), LONG(ROLE_SYSTEM_LIST));
    LONG count = 0;
    ASSERT_EQ(object->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, LONG(lines.size()));
    for (LONG id = 1; id <= count; ++id) {
        EXPECT_EQ(NameOf(object.Get(), id), lines[size_t(id - 1)].first) << id;
        EXPECT_EQ(NumberOf(object.Get(), id), LONG(ROLE_SYSTEM_LISTITEM)) << id;
    }
    EXPECT_EQ(NameOf(object.Get(), count + 1), L"");

    // Unfocused: no item has the focus.
    SetFocus(nullptr);
    VARIANT focus;
    VariantInit(&focus);
    EXPECT_EQ(object->get_accFocus(&focus), S_FALSE);
    EXPECT_FALSE(NumberOf(object.Get(), count, true) & STATE_SYSTEM_FOCUSED);

    SetFocus(log);
    ASSERT_EQ(GetFocus(), log);
    ASSERT_EQ(object->get_accFocus(&focus), S_OK);
    EXPECT_EQ(focus.vt, VT_I4);
    EXPECT_EQ(focus.lVal, count);
    EXPECT_TRUE(NumberOf(object.Get(), count, true) & STATE_SYSTEM_FOCUSED);
    EXPECT_FALSE(NumberOf(object.Get(), 1, true) & STATE_SYSTEM_FOCUSED);
    SetFocus(nullptr);
}

TEST_F(LogViewAccessibility, ANewLineIsAnnouncedAndFocusedWhileTheControlHasTheFocus) {
    view->AddMessage(L"Первая", LogStatusInfo);
    Events.clear();
    Watched = log;
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_FOCUS, nullptr, &RecordEvent,
                                         GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);
    SetFocus(log);
    view->AddMessage(L"Вторая", LogStatusInfo);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    UnhookWinEvent(hook);
    SetFocus(nullptr);
    Watched = nullptr;

    const TEvent created{EVENT_OBJECT_CREATE, OBJID_CLIENT, 2}, focused{EVENT_OBJECT_FOCUS, OBJID_CLIENT, 2};
    auto created_at = std::find(Events.begin(), Events.end(), created);
    EXPECT_NE(created_at, Events.end());
    EXPECT_NE(std::find(created_at, Events.end(), focused), Events.end());
}

} // namespace zarvo::testing
