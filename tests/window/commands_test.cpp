// Find, Exit and Clear, run by clicks, keys and access keys.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "expected_texts.h"
#include "form1_harness.h"

namespace mirvel::testing {
namespace {

void ClickFind(Form1Harness& form) {
    SendMessageW(form.Control(kCommand1Id), BM_CLICK, 0, 0);
    form.Pump();
}

int WINAPI RefuseMessageBox(HWND, LPCWSTR, LPCWSTR, UINT) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
}

// By Enter, then by its access key; a message that Windows cannot show
// (short of memory, say) is told by a beep, once, and one that shows needs
// none.
TEST(Find, OnThePlaceholderRejectsTheEntry) {
    Form1Harness form;
    MessageBoxCatcher boxes;
    const BeepCounter beeps;
    form.PressKey(VK_RETURN);
    form.PressAltWith(L'а');
    EXPECT_EQ(beeps.Count(), 0);
    {
        const ImportStandIn refused("user32.dll", "MessageBoxW", reinterpret_cast<const void*>(RefuseMessageBox));
        form.PressKey(VK_RETURN);
    }
    EXPECT_EQ(beeps.Count(), 1);
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[1].text, boxes.Boxes()[0].text);
    const CaughtMessageBox& box = boxes.Boxes()[0];
    EXPECT_EQ(box.title, kExpectedErrorTitle);
    EXPECT_EQ(box.text, kExpectedErrorText);
    EXPECT_EQ(box.icon, BoxIcon::Stop);
    EXPECT_EQ(box.buttonCount, 1);
    EXPECT_TRUE(box.hasOkButton);
    EXPECT_EQ(box.owner, form.Form());
    EXPECT_EQ(WindowText(form.Control(kLabel2Id)), L"");
    EXPECT_EQ(WindowText(form.Control(kText1Id)), kExpectedPlaceholder);
}

class FindWithEntry : public ::testing::TestWithParam<ExpectedFind> {};

// Windows' static control takes a new text by invalidating itself, to be
// painted at the next WM_PAINT; Wine's paints it at once. Label2 is made to
// wait as on Windows, so that only Find can have painted it in time.
LRESULT CALLBACK TakeTextAsOnWindows(HWND label, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message != WM_SETTEXT) return DefSubclassProc(label, message, wParam, lParam);
    const LONG style = GetWindowLongW(label, GWL_STYLE);
    SetWindowLongW(label, GWL_STYLE, style & ~WS_VISIBLE);  // a hidden static does not paint
    const LRESULT result = DefSubclassProc(label, message, wParam, lParam);
    SetWindowLongW(label, GWL_STYLE, style);
    InvalidateRect(label, nullptr, TRUE);
    return result;
}

TEST_P(FindWithEntry, ShowsTheMatrixBeforeTheResult) {
    Form1Harness form;
    const HWND label2 = form.Control(kLabel2Id);
    std::wstring label2WithTheBox;
    bool label2PaintedWithTheBox = false;
    MessageBoxCatcher boxes([&](HWND box, const CaughtMessageBox& caught) {
        if (boxes.Count() == 1)
            label2WithTheBox = WindowText(label2), label2PaintedWithTheBox = !GetUpdateRect(label2, nullptr, FALSE);
        MessageBoxCatcher::PressOk(box, caught);
    });
    ASSERT_TRUE(SetWindowSubclass(label2, TakeTextAsOnWindows, 1, 0));
    SetWindowTextW(form.Control(kText1Id), GetParam().entry.c_str());
    form.PressKey(VK_RETURN);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    const CaughtMessageBox& box = boxes.Boxes()[0];
    EXPECT_EQ(box.title, kExpectedResultTitle);
    EXPECT_EQ(box.text, ExpectedResultText(GetParam().rowList));
    EXPECT_EQ(box.icon, BoxIcon::Information);
    EXPECT_EQ(box.buttonCount, 1);
    EXPECT_EQ(box.owner, form.Form());
    EXPECT_EQ(label2WithTheBox, GetParam().display) << "Label2 must be set before the message shows";
    EXPECT_TRUE(label2PaintedWithTheBox) << "and painted: the message covers the window";
    EXPECT_EQ(WindowText(form.Control(kText1Id)), GetParam().entry) << "Find never changes the entry";

    // A Find that fails leaves the matrix shown as it was.
    const std::vector<COLORREF> shown = PixelsOf(form.Control(kLabel2Id));
    SetWindowTextW(form.Control(kText1Id), L"1e400 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1");
    ClickFind(form);
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[1].title, kExpectedErrorTitle);
    EXPECT_EQ(WindowText(form.Control(kLabel2Id)), GetParam().display);
    EXPECT_TRUE(PixelsOf(form.Control(kLabel2Id)) == shown) << "the screen shows it as before the error";
}

INSTANTIATE_TEST_SUITE_P(All, FindWithEntry, ::testing::ValuesIn(kExpectedFinds),
                         [](const auto& info) { return std::string(info.param.name); });

// The user's decimal separator as it is at each Find; put back after.
TEST(Find, WritesNumbersWithTheUsersDecimalSeparatorOfTheMoment) {
    Form1Harness form;
    MessageBoxCatcher boxes;
    wchar_t saved[8]{};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved, 8);
    SetWindowTextW(form.Control(kText1Id), L"2.5 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 0.125");
    for (const auto& [separator, shown] :
         {std::pair{L",", L"2,5 1 1 1 1 1 \r\n1 1 1 1 1 1 \r\n1 1 1 1 1 0,125 \r\n"},
          std::pair{L".", L"2.5 1 1 1 1 1 \r\n1 1 1 1 1 1 \r\n1 1 1 1 1 0.125 \r\n"}}) {
        EXPECT_TRUE(SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator));
        ClickFind(form);
        EXPECT_EQ(WindowText(form.Control(kLabel2Id)), shown);
    }
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, saved);
}

struct ExitCase {
    const char* name;
    void (*act)(Form1Harness&);
};

const ExitCase kExits[] = {
    {"EscInTheEntry", [](Form1Harness& form) { form.PressKey(VK_ESCAPE); }},
    {"ClickExit", [](Form1Harness& form) { SendMessageW(form.Control(kCommand2Id), BM_CLICK, 0, 0); }},
    {"AccessKey", [](Form1Harness& form) { form.PressAltWith(L'ы'); }},
    {"CloseBox", [](Form1Harness& form) { SendMessageW(form.Form(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
};

class ExitBy : public ::testing::TestWithParam<ExitCase> {};

TEST_P(ExitBy, EndsTheProgramAtOnceWithoutAsking) {
    Form1Harness form;
    MessageBoxCatcher boxes;
    SetWindowTextW(form.Control(kText1Id), L"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18");
    GetParam().act(form);
    form.Pump();
    EXPECT_FALSE(form.IsOpen());
    EXPECT_TRUE(Form1Harness::TakeQuitRequest());
    EXPECT_TRUE(boxes.Boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(All, ExitBy, ::testing::ValuesIn(kExits),
                         [](const auto& info) { return std::string(info.param.name); });

// Closed while its message is open (from the taskbar, say), Form1 goes with
// its message, and the program ends.
TEST(Exit, WhileTheMessageIsOpenEndsTheProgram) {
    Form1Harness form;
    const BeepCounter beeps;
    MessageBoxCatcher boxes([&](HWND, const CaughtMessageBox&) { PostMessageW(form.Form(), WM_CLOSE, 0, 0); });
    form.PressKey(VK_RETURN);
    EXPECT_EQ(boxes.Count(), 1u);
    EXPECT_FALSE(form.IsOpen());
    EXPECT_TRUE(Form1Harness::TakeQuitRequest());
    EXPECT_EQ(beeps.Count(), 0) << "the message showed";
}

// A double-click on the entry field empties it, and only it; one meant to
// select a word must not lose a typed entry for good: Ctrl+Z brings it
// back. A double-click on either label does nothing.
TEST(Clear, EmptiesTheEntryFieldOnlyAndUndoably) {
    Form1Harness form;
    MessageBoxCatcher boxes;
    const HWND entry = form.Control(kText1Id);
    form.DoubleClick(entry);
    EXPECT_EQ(WindowText(entry), L"");
    SetWindowTextW(entry, kExpectedFinds[0].entry.c_str());
    ClickFind(form);
    for (const ControlId label : {kLabel1Id, kLabel2Id}) form.DoubleClick(form.Control(label));
    EXPECT_EQ(WindowText(entry), kExpectedFinds[0].entry);
    form.DoubleClick(entry);
    EXPECT_EQ(WindowText(entry), L"");
    EXPECT_EQ(WindowText(form.Control(kLabel2Id)), kExpectedFinds[0].display);
    form.PressKey('Z', Form1Harness::kCtrl);
    EXPECT_EQ(WindowText(entry), kExpectedFinds[0].entry);
    form.DoubleClick(entry);
    form.DoubleClick(entry);
    EXPECT_EQ(WindowText(entry), L"") << "the placeholder never comes back";
    EXPECT_EQ(boxes.Count(), 1u) << "the Find's box, and no other";
}

}  // namespace
}  // namespace mirvel::testing
