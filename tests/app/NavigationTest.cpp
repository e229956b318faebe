// The keys and buttons that already work before the runs exist: Escape and cancel with its question,
// Enter, forward from the welcome page, back from the path page, and closing from outside.

#include "AppTestSupport.h"

#include "app/Application.h"

using namespace zarvo;
using namespace zarvo::testing;
using enum TControlId;

namespace {

class Navigation : public FormTest {
protected:
    void TearDown() override {
        form.reset();
        FormTest::TearDown();
    }

    void Start(const std::wstring& arguments = L"") {
        form = CreateForm(arguments);
        ASSERT_TRUE(form);
        ShowForm(*form);
    }
    // A key as the keyboard delivers it: to the focused control, through the application's loop.
    void Press(WPARAM key) {
        HWND target = GetFocus() ? GetFocus() : form->Handle();
        PostMessageW(target, WM_KEYDOWN, key, 0);
        PumpFor(50);
    }
    bool Closed() const { return form->Handle() == nullptr; }
    void ExpectButtons(bool back, bool forward, bool cancel) const {
        EXPECT_EQ(IsWindowEnabled(form->Control(BackButton)) != FALSE, back);
        EXPECT_EQ(IsWindowEnabled(form->Control(ForwardButton)) != FALSE, forward);
        EXPECT_EQ(IsWindowEnabled(form->Control(CancelButton)) != FALSE, cancel);
    }

    std::unique_ptr<TMainForm> form;
};

} // namespace

TEST_F(Navigation, EscapeAsksWhetherToCancelAndOnlyYesClosesTheWizard) {
    Start();
    boxes->SetAnswer(IDNO);
    Press(VK_ESCAPE);
    ASSERT_EQ(boxes->Shown().size(), 1u);
    EXPECT_EQ(boxes->Shown()[0].text, L"Вы действительно хотите прервать установку?");
    EXPECT_EQ(boxes->Shown()[0].caption, L"Установка");
    EXPECT_EQ(boxes->Shown()[0].flags, UINT(MB_YESNO)) << "Yes and No, no icon";
    PumpFor(100);
    EXPECT_FALSE(Closed());
    EXPECT_EQ(form->CurrentPage(), SheetNew);

    boxes->SetAnswer(IDYES);
    Press(VK_ESCAPE);
    EXPECT_EQ(boxes->Shown().size(), 2u);
    EXPECT_TRUE(PumpUntil([&] { return Closed(); }));
    EXPECT_TRUE(Terminated) << "closing the main form ends the program";
    EXPECT_TRUE(form->Session().DistList.empty()) << "the list goes with the window";
}

TEST_F(Navigation, ForwardProposesTheDefaultFolderOnEveryVisitAndBackReturns) {
    Start();
    Press(VK_RETURN); // the default button
    ASSERT_EQ(form->CurrentPage(), SheetPath);
    ExpectButtons(true, true, true);
    std::wstring proposed = form->Session().ProgramFilesPath + L"\\Zarvo";
    EXPECT_EQ(TextOf(form->Control(PathEdit)), proposed);
    EXPECT_FALSE(SaveScreenshot(form->Handle(), L"SheetPath").empty());

    SetWindowTextW(form->Control(PathEdit), L"D:\\Elsewhere");
    SendMessageW(form->Control(BackButton), BM_CLICK, 0, 0);
    PumpFor(50);
    EXPECT_EQ(form->CurrentPage(), SheetNew);
    ExpectButtons(false, true, true);

    SendMessageW(form->Control(ForwardButton), BM_CLICK, 0, 0);
    PumpFor(50);
    EXPECT_EQ(form->CurrentPage(), SheetPath);
    EXPECT_EQ(TextOf(form->Control(PathEdit)), proposed);
    EXPECT_TRUE(boxes->Shown().empty());
}

TEST_F(Navigation, EnterPressesTheFocusedButtonRatherThanTheDefaultOne) {
    Start();
    Press(VK_RETURN);
    ASSERT_EQ(form->CurrentPage(), SheetPath);
    SetFocus(form->Control(BackButton));
    Press(VK_RETURN);
    EXPECT_EQ(form->CurrentPage(), SheetNew);
}

TEST_F(Navigation, OnTheUnattendedStatusPageEscapeEnterAndCloseDoNothing) {
    state->SetProgPath(L"C:\\Zarvo");
    // Not shown: activation would start the reinstall.
    form = CreateForm(L"/auto");
    ASSERT_TRUE(form);
    ASSERT_EQ(form->CurrentPage(), SheetStatus);
    for (WPARAM key : {VK_ESCAPE, VK_RETURN})
        EXPECT_TRUE(form->HandleDialogKey(MSG{form->Handle(), WM_KEYDOWN, key, 0, 0, {}}));
    SendMessageW(form->Handle(), WM_CLOSE, 0, 0);
    PumpFor(100);
    EXPECT_TRUE(boxes->Shown().empty());
    EXPECT_FALSE(Closed());
    EXPECT_EQ(form->CurrentPage(), SheetStatus);
    ExpectButtons(false, false, false);
}

TEST_F(Navigation, ClosingFromOutsideAsksTheCancelQuestion) {
    state->SetProgPath(L"C:\\Zarvo");
    Start();
    ASSERT_EQ(form->CurrentPage(), SheetAlready);
    boxes->SetAnswer(IDNO);
    SendMessageW(form->Handle(), WM_CLOSE, 0, 0);
    PumpFor(100);
    ASSERT_EQ(boxes->Shown().size(), 1u);
    EXPECT_EQ(boxes->Shown()[0].text, L"Вы действительно хотите прервать установку?");
    EXPECT_FALSE(Closed());

    // Forward is off on the maintenance page, so Enter away from the buttons does nothing.
    SetFocus(form->Control(cbAutoReinstall));
    Press(VK_RETURN);
    EXPECT_EQ(form->CurrentPage(), SheetAlready);
    EXPECT_EQ(boxes->Shown().size(), 1u);
}
