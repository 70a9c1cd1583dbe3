// Form1 as the user first sees it: geometry, texts, tooltips, focus and keys.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "expected_layout.h"
#include "expected_texts.h"
#include "form1_harness.h"
#include "window/message_loop.h"
#include "window/program.h"

namespace mirvel::testing {
namespace {

// Form1 and its labels are painted in the dialog face colour, the one the
// system has at the moment.
TEST(Form1, PaintsInTheDialogFaceColourOfTheMoment) {
    Form1Harness form;
    // Form1's corner; the middle of Label2, empty until a Find; the end of
    // Label1, whose second line ends short of it.
    const auto expectFace = [&](COLORREF face, const char* when) {
        form.Pump();
        for (const auto& [window, middle] : {std::pair{form.Form(), false}, std::pair{form.Control(kLabel2Id), true},
                                             std::pair{form.Control(kLabel1Id), false}}) {
            const std::vector<COLORREF> pixels = PixelsOf(window);
            const std::size_t at = middle ? pixels.size() / 2 : pixels.size() - 3;
            EXPECT_EQ(pixels[at], RGB(GetBValue(face), GetGValue(face), GetRValue(face)))
                << WindowText(window) << ", " << when;
        }
    };
    // Changed as a contrast theme changes it (every window is told, and
    // repaints), then put back.
    constexpr INT kFace = COLOR_BTNFACE;
    const COLORREF saved = GetSysColor(kFace), contrast = RGB(0x10, 0x60, 0x30);
    expectFace(saved, "as it opens");
    EXPECT_TRUE(SetSysColors(1, &kFace, &contrast));
    expectFace(contrast, "after the system's colours changed");
    SetSysColors(1, &kFace, &saved);
}

// Rests the pointer on a point of the screen until the tooltip of the
// window there shows, or for a second; the move goes, as the system would
// send it, to the window the point hits. Returns that window and the text
// of the tooltip shown last. Every 200 ms the pointer leaves every tool (a
// tooltip shown or put away within one tool does not show again for a move
// within it) and is put on the point again, should Wine have refused it.
std::pair<HWND, std::wstring> RestPointerAt(Form1Harness& form, POINT point) {
    const HWND tooltip = TooltipControlOf(form.Form());
    HWND hit = nullptr;
    wchar_t shown[512] = L"(no tooltip)";
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    int rested = 0;  // 20 ms steps with the pointer where it was put
    for (int step = 0; step < 500 && rested < 50; ++step) {
        if (step % 10 == 0) {
            MSG left{form.Form(), WM_MOUSEMOVE, 0, 0, GetTickCount(), {}};
            SendMessageW(tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&left));
            SetCursorPos(point.x, point.y);
            hit = WindowFromPoint(point);
            POINT inHit = point;
            ScreenToClient(hit, &inHit);
            MSG moved{hit, WM_MOUSEMOVE, 0, MAKELPARAM(inHit.x, inHit.y), GetTickCount(), {}};
            ProcessMessage(GetAncestor(hit, GA_ROOT), moved);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        form.Pump();
        POINT now{};
        const bool there = GetCursorPos(&now) && now.x == point.x && now.y == point.y;
        rested = there ? rested + 1 : 0;
        tool.lpszText = shown;
        if (IsWindowVisible(tooltip) &&
            SendMessageW(tooltip, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) && there &&
            tool.uId == reinterpret_cast<UINT_PTR>(hit))
            break;
    }
    SendMessageW(tooltip, TTM_POP, 0, 0);
    return {hit, shown};
}

// The caption and texts; each control's tooltip shows when the pointer
// rests on it, whether Form1 is the active window or not, and between the
// controls the pointer is the arrow.
TEST(Form1, ShowsItsTextsAndATooltipWhereThePointerRests) {
    Form1Harness form;
    EXPECT_EQ(WindowText(form.Form()), kExpectedCaption);
    SendMessageW(TooltipControlOf(form.Form()), TTM_SETDELAYTIME, TTDT_INITIAL, 1);  // not to wait half a second
    for (const bool active : {true, false}) {
        const OtherProgramWindow other;
        SetActiveWindow(active ? form.Form() : other.Window());
        for (const auto& control : kExpectedControlTexts) {
            EXPECT_EQ(WindowText(form.Control(control.id)), control.text);
            RECT rect{};
            GetWindowRect(form.Control(control.id), &rect);
            const auto [hit, tip] = RestPointerAt(form, {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
            EXPECT_EQ(hit, form.Control(control.id));
            EXPECT_EQ(GetActiveWindow() == form.Form(), active) << "Form1 active, control " << control.id;
            EXPECT_EQ(tip, control.tooltip) << (active ? "active" : "inactive") << ", control " << control.id;
        }
    }
    const ExpectedControlRect& find = ExpectedLayoutAt(ScreenDpi())->controls[3];
    POINT between{find.left - 2, find.top + 5};  // left of Find
    ClientToScreen(form.Form(), &between);
    ASSERT_EQ(WindowFromPoint(between), form.Form());
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    SendMessageW(form.Form(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form.Form()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

bool HasHeavyBorder(HWND button) { return (GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON; }

// Like a dialog, Form1 gives the focus back on reactivation to the control
// that had it, after another window was active or after Form1 was minimised
// and restored; the entry keeps the selection the user made. Enter presses
// the focused button, or else Find: the dialog manager asks which, and that
// button wears the heavy border. (The monkey tabs through the controls.)
struct ReactivationCase {
    const char* name;
    ControlId focused;
    bool minimised;     // rather than another window activated
    UINT dpiMeanwhile;  // a move to this DPI while minimised, if any
};

void PrintTo(const ReactivationCase& c, std::ostream* os) { *os << c.name; }

class Reactivation : public ::testing::TestWithParam<ReactivationCase> {};

TEST_P(Reactivation, GivesTheFocusBackWhereItWas) {
    Form1Harness form;
    const HWND entry = form.Control(kText1Id), focused = form.Control(GetParam().focused);
    SetWindowTextW(entry, L"1 2 3 4 5");
    SendMessageW(entry, EM_SETSEL, 2, 5);
    SetFocus(focused);
    form.Pump();
    if (GetParam().minimised) {
        ShowWindow(form.Form(), SW_MINIMIZE);
        form.Pump();
        if (GetParam().dpiMeanwhile) MoveToDpi(form.Form(), GetParam().dpiMeanwhile);
        ShowWindow(form.Form(), SW_RESTORE);
    } else {
        const OtherProgramWindow other;
        SetActiveWindow(other.Window());
        form.Pump();
        ASSERT_NE(GetActiveWindow(), form.Form());
    }
    SetActiveWindow(form.Form());
    form.Pump();
    EXPECT_EQ(GetFocus(), focused);
    DWORD start = 0, end = 0;
    SendMessageW(entry, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ((std::pair{start, end}), (std::pair<DWORD, DWORD>{2, 5})) << "the selection";
    const ControlId enterPresses = GetParam().focused == kCommand2Id ? kCommand2Id : kCommand1Id;
    EXPECT_EQ(SendMessageW(form.Form(), DM_GETDEFID, 0, 0), MAKELRESULT(enterPresses, DC_HASDEFID));
    EXPECT_EQ(HasHeavyBorder(form.Control(kCommand2Id)), enterPresses == kCommand2Id);
    EXPECT_EQ(HasHeavyBorder(form.Control(kCommand1Id)), enterPresses == kCommand1Id);
}

INSTANTIATE_TEST_SUITE_P(To, Reactivation,
                         ::testing::Values(ReactivationCase{"Entry", kText1Id, false, 0},
                                           ReactivationCase{"Find", kCommand1Id, false, 0},
                                           ReactivationCase{"Exit", kCommand2Id, false, 0},
                                           ReactivationCase{"FindAfterMinimised", kCommand1Id, true, 0},
                                           ReactivationCase{"ExitAfterMinimisedAndMoved", kCommand2Id, true, 120}),
                         [](const auto& info) { return std::string(info.param.name); });

// Whatever a window may still draw with must exist: the font it is handed a
// new one in place of (a move to another DPI), and the font and icons it has
// when it goes. A Form1 object that goes away first takes its window with
// it, quietly (its last messages must not reach the object being
// destroyed), before the object's members.
LRESULT CALLBACK NoteWhatIsDead(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR notes) {
    auto& dead = *reinterpret_cast<std::vector<std::wstring>*>(notes);
    const auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(window, WM_GETFONT, 0, 0));
    if (message == WM_SETFONT && font && GetObjectType(font) != OBJ_FONT)
        dead.push_back(L"the old font of " + WindowText(window));
    if (message == WM_NCDESTROY) {
        if (font && GetObjectType(font) != OBJ_FONT) dead.push_back(L"the font of " + WindowText(window));
        for (const WPARAM which : {ICON_BIG, ICON_SMALL}) {
            ICONINFO info{};
            const auto icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, which, 0));
            if (icon && !GetIconInfo(icon, &info)) dead.push_back(L"an icon of " + WindowText(window));
            if (info.hbmMask) DeleteObject(info.hbmMask);
            if (info.hbmColor) DeleteObject(info.hbmColor);
        }
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

TEST(Form1, KeepsWhatItDrawsWithUntilItAndItsObjectGo) {
    std::vector<std::wstring> dead;
    HWND window = nullptr;
    {
        Form1Harness form;
        window = form.Form();
        ASSERT_TRUE(SetWindowSubclass(form.Form(), NoteWhatIsDead, 3, reinterpret_cast<DWORD_PTR>(&dead)));
        for (const ControlDescription& control : kForm1Controls)
            ASSERT_TRUE(
                SetWindowSubclass(form.Control(control.id), NoteWhatIsDead, 3, reinterpret_cast<DWORD_PTR>(&dead)));
        MoveToDpi(window, 144);
    }  // the object goes, its window still open
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(dead.empty()) << "deleted before the window went: " << ::testing::PrintToString(dead);
    EXPECT_FALSE(Form1Harness::TakeQuitRequest()) << "only Exit and the close box end the program";
}

// Faults while Form1 is being made: a C++ exception from inside WM_CREATE
// (here from the icons' size, asked for there), which the window procedure
// stops with a beep, and what Windows can refuse.
int WINAPI FailingMetric(int, UINT) { throw std::runtime_error("injected into WM_CREATE"); }

LateBoundFunctions FailingInCreate() { return LateBoundFunctions{.getSystemMetricsForDpi = FailingMetric}; }

ATOM WINAPI RefuseClass(const WNDCLASSEXW*) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
}
BOOL WINAPI RefuseCommonControls(const INITCOMMONCONTROLSEX*) { return FALSE; }
HWND WINAPI RefuseButtons(DWORD exStyle, LPCWSTR name, LPCWSTR text, DWORD style, int x, int y, int width, int height,
                          HWND parent, HMENU menu, HINSTANCE instance, LPVOID parameter) {
    static const auto create = reinterpret_cast<decltype(&CreateWindowExW)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "CreateWindowExW")));
    if (!IS_INTRESOURCE(name) && lstrcmpiW(name, WC_BUTTONW) == 0) return nullptr;
    return create(exStyle, name, text, style, x, y, width, height, parent, menu, instance, parameter);
}

struct MakingFailure {
    const char* name;
    LateBoundFunctions (*functions)();
    const char *dll, *function;  // the function refused, if any
    const void* standIn;
    int beeps;
};

const MakingFailure kMakingFailures[] = {
    {"ExceptionInCreate", FailingInCreate, nullptr, nullptr, nullptr, 1},
    {"ClassRefused", LateBoundFunctions::Resolve, "user32.dll", "RegisterClassExW",
     reinterpret_cast<const void*>(RefuseClass), 0},
    {"CommonControlsRefused", LateBoundFunctions::Resolve, "comctl32.dll", "InitCommonControlsEx",
     reinterpret_cast<const void*>(RefuseCommonControls), 0},
    {"ButtonRefused", LateBoundFunctions::Resolve, "user32.dll", "CreateWindowExW",
     reinterpret_cast<const void*>(RefuseButtons), 0},
};

class MakingForm1 : public ::testing::TestWithParam<MakingFailure> {
protected:
    void SetUp() override {
        if (GetParam().function) refused_.emplace(GetParam().dll, GetParam().function, GetParam().standIn);
    }
    BeepCounter beeps_;
    std::optional<ImportStandIn> refused_;
};

// The program says so and ends, with no half-made Form1 behind its message.
TEST_P(MakingForm1, FailsCleanlyAndTheProgramSaysSo) {
    HWND halfMade = nullptr;
    MessageBoxCatcher boxes([&](HWND box, const CaughtMessageBox& caught) {
        halfMade = FindWindowW(MainWindow::ClassName(), nullptr);
        MessageBoxCatcher::PressOk(box, caught);
    });
    PostQuitMessage(0);  // should Form1 be made after all, its message loop ends at once
    EXPECT_EQ(RunProgram(GetModuleHandleW(nullptr), SW_SHOW, GetParam().functions()), 1);
    Form1Harness::TakeQuitRequest();
    EXPECT_EQ(halfMade, nullptr);
    EXPECT_EQ(beeps_.Count(), GetParam().beeps);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].title, kExpectedStartFailedTitle);
    EXPECT_EQ(boxes.Boxes()[0].text, kExpectedStartFailedText);
    EXPECT_EQ(boxes.Boxes()[0].icon, BoxIcon::Stop);
    EXPECT_TRUE(boxes.Boxes()[0].hasOkButton);
}

INSTANTIATE_TEST_SUITE_P(All, MakingForm1, ::testing::ValuesIn(kMakingFailures),
                         [](const auto& info) { return std::string(info.param.name); });

// The program's whole run: Form1 shown as the shortcut that started it
// asks, its message loop run until Esc ends it, with the exit code 0.
bool form1Shown = false, form1Minimised = false;
void CALLBACK PressEscInForm1(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    const HWND form1 = FindWindowW(MainWindow::ClassName(), nullptr);
    form1Shown = form1 && IsWindowVisible(form1);
    form1Minimised = form1 && IsIconic(form1);
    PostMessageW(GetDlgItem(form1, kText1Id), WM_KEYDOWN, VK_ESCAPE, 1);
}

class Program : public ::testing::TestWithParam<int> {};

TEST_P(Program, RunsUntilExit) {
    ASSERT_NE(SetTimer(nullptr, 0, 10, PressEscInForm1), 0u);
    EXPECT_EQ(RunProgram(GetModuleHandleW(nullptr), GetParam(), LateBoundFunctions::Resolve()), 0);
    EXPECT_TRUE(form1Shown);
    EXPECT_EQ(form1Minimised, GetParam() == SW_SHOWMINNOACTIVE);
}

INSTANTIATE_TEST_SUITE_P(Shown, Program, ::testing::Values(SW_SHOWNORMAL, SW_SHOWMINNOACTIVE), [](const auto& info) {
    return std::string(info.param == SW_SHOWNORMAL ? "Normal" : "MinimisedByItsShortcut");
});

// GetMessage failing; after a hundred calls it gives WM_QUIT, so that a loop
// that does not stop at the failure ends all the same.
int getMessageCalls = 0;
BOOL WINAPI FailToGetMessages(LPMSG message, HWND, UINT, UINT) {
    if (++getMessageCalls < 100) return -1;
    *message = MSG{nullptr, WM_QUIT, 0, 0, 0, {}};
    return 0;
}

// A message loop that cannot get its messages ends at once, with -1.
TEST(ProgramLoop, EndsWhenItCannotGetItsMessages) {
    getMessageCalls = 0;
    const ImportStandIn failing("user32.dll", "GetMessageW", reinterpret_cast<const void*>(FailToGetMessages));
    EXPECT_EQ(RunProgram(GetModuleHandleW(nullptr), SW_SHOW, LateBoundFunctions::Resolve()), -1);
    EXPECT_EQ(getMessageCalls, 1);
}

}  // namespace
}  // namespace mirvel::testing
