// Form1 at every DPI: the layout on each level of DPI support the system may
// offer, the dialog font, icons drawn for
// the window's DPI, and the placeholder as it first shows. Every suite here
// is named Dpi…: the run at 144 DPI takes them by that.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "expected_layout.h"
#include "form1_harness.h"
#include "window/dpi.h"

namespace mirvel::testing {
namespace {

// The DPI this run of the tests is meant for (MIRVEL_TEST_DPI, 96 unless
// said otherwise), so that a prefix at the wrong DPI cannot pass unnoticed.
TEST(DpiTestPrefix, RunsAtTheDpiItIsMeantFor) { EXPECT_EQ(ScreenDpi(), EnvironmentNumber("MIRVEL_TEST_DPI", 96)); }

// Each Windows a lab runs, as the program meets it: which functions exist,
// and what Windows 10 says it granted the process, as the context itself,
// compared as Windows compares them (Wine 8 grants v1, Wine 10 v2).
// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE (-3) and its V2 (-4), as Windows'
// headers define them.
AwarenessContext WINAPI GrantedPerMonitorV1() { return reinterpret_cast<AwarenessContext>(-3); }
AwarenessContext WINAPI GrantedPerMonitorV2() { return reinterpret_cast<AwarenessContext>(-4); }
BOOL WINAPI SameAwareness(AwarenessContext a, AwarenessContext b) { return a == b; }

// Windows 10 is asked, at WM_NCCREATE, to scale a v1 window's frame.
int nonClientScalingRequests = 0;
BOOL WINAPI RecordNonClientScaling(HWND) {
    ++nonClientScalingRequests;
    return TRUE;
}

// Common controls 6's, which Windows 7 and 8.1 have too.
auto ScaleDown() { return LateBoundFunctions::Resolve().loadIconWithScaleDown; }

// What Windows 8.1 has: GetDpiForMonitor, none of user32's DPI functions; like
// a real monitor's, its angular and raw DPIs are not the effective one.
HRESULT WINAPI DpiForMonitor(HMONITOR, int type, UINT* dpiX, UINT* dpiY) {
    *dpiX = *dpiY = type == 0 ? ScreenDpi() : 101;  // 0: MDT_EFFECTIVE_DPI
    return S_OK;
}

LateBoundFunctions Windows10(AwarenessContext(WINAPI* granted)()) {
    LateBoundFunctions functions = LateBoundFunctions::Resolve();
    functions.getThreadDpiAwarenessContext = granted;
    functions.areDpiAwarenessContextsEqual = SameAwareness;
    functions.enableNonClientDpiScaling = RecordNonClientScaling;
    return functions;
}

struct LevelCase {
    const char* name;
    DpiLevel level;
    bool asksForFrameScaling;
    LateBoundFunctions (*functions)();
};

const LevelCase kLevels[] = {
    {"Windows10v1703", DpiLevel::PerMonitorV2, false, [] { return Windows10(GrantedPerMonitorV2); }},
    {"Windows10v1607", DpiLevel::PerMonitor, true, [] { return Windows10(GrantedPerMonitorV1); }},
    {"Windows81", DpiLevel::PerMonitor, false,
     [] { return LateBoundFunctions{.getDpiForMonitor = DpiForMonitor, .loadIconWithScaleDown = ScaleDown()}; }},
    {"Windows7", DpiLevel::System, false, [] { return LateBoundFunctions{.loadIconWithScaleDown = ScaleDown()}; }},
};

// What the program finds by itself on the system it runs on, with nothing
// stood in: each function it looks up, by the name the system exports it
// under, and the level each bench grants its manifest's request, a fact of
// each Wine written out here.
TEST(DpiOnThisSystem, IsFoundByTheProgramAsGranted) {
    const LateBoundFunctions found = LateBoundFunctions::Resolve();
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const auto same = [&](const char* name, auto function) {
        EXPECT_EQ(reinterpret_cast<void*>(function), reinterpret_cast<void*>(GetProcAddress(user32, name))) << name;
    };
    same("GetDpiForWindow", found.getDpiForWindow);
    same("GetDpiForSystem", found.getDpiForSystem);
    same("AdjustWindowRectExForDpi", found.adjustWindowRectExForDpi);
    same("GetSystemMetricsForDpi", found.getSystemMetricsForDpi);
    same("EnableNonClientDpiScaling", found.enableNonClientDpiScaling);
    same("GetThreadDpiAwarenessContext", found.getThreadDpiAwarenessContext);
    same("AreDpiAwarenessContextsEqual", found.areDpiAwarenessContextsEqual);
    EXPECT_NE(found.loadIconWithScaleDown, nullptr);

    const std::string wine = WineVersion();
    ASSERT_TRUE(wine.starts_with("8.") || wine.starts_with("10.")) << "no level is written for Wine \"" << wine << "\"";
    EXPECT_EQ(Dpi(found).Level(), wine.starts_with("8.") ? DpiLevel::PerMonitor : DpiLevel::PerMonitorV2) << wine;
}

class DpiLevels : public ::testing::TestWithParam<LevelCase> {
protected:
    LateBoundFunctions Functions() const {
        const LateBoundFunctions functions = GetParam().functions();
        EXPECT_EQ(Dpi(functions).Level(), GetParam().level);
        return functions;
    }
};

// The width of a window's icon, drawn in colour: 0 for none, or for a
// monochrome one.
int IconWidth(HWND window, WPARAM which) {
    ICONINFO info{};
    const auto icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, which, 0));
    if (!icon || !GetIconInfo(icon, &info)) return 0;
    BITMAP bitmap{};
    GetObjectW(info.hbmMask, sizeof(bitmap), &bitmap);
    DeleteObject(info.hbmMask);
    if (!info.hbmColor) return 0;
    DeleteObject(info.hbmColor);
    return bitmap.bmWidth;
}

// Form1 as the table has it at the DPI: its client area and controls, the
// tooltips' width, and both icons drawn at that DPI's sizes.
void ExpectLaidOutAt(const Form1Harness& form, UINT dpi) {
    const ExpectedLayout* wanted = ExpectedLayoutAt(dpi);
    ASSERT_NE(wanted, nullptr) << "the table has no row for " << dpi << " DPI";
    RECT client{};
    GetClientRect(form.Form(), &client);
    EXPECT_EQ((std::pair{client.right, client.bottom}), (std::pair{wanted->client.cx, wanted->client.cy}))
        << "client area at " << dpi << " DPI";
    for (const ExpectedControlRect& control : wanted->controls) {
        EXPECT_TRUE(IsAt(RectInParent(form.Control(control.id)), control))
            << "control " << control.id << " at " << dpi << " DPI";
        GetClientRect(form.Control(control.id), &client);  // no frame but the entry's sunken edge
        EXPECT_TRUE(control.id == kText1Id || (client.right == control.width && client.bottom == control.height))
            << "control " << control.id << " has a frame";
    }
    EXPECT_EQ(SendMessageW(TooltipControlOf(form.Form()), TTM_GETMAXTIPWIDTH, 0, 0), wanted->tipWidth)
        << "the tooltips' width at " << dpi << " DPI";
    EXPECT_EQ(IconWidth(form.Form(), ICON_BIG), wanted->bigIcon) << "the big icon at " << dpi << " DPI";
    EXPECT_EQ(IconWidth(form.Form(), ICON_SMALL), wanted->smallIcon) << "the small icon at " << dpi << " DPI";
}

// Every control shows what it would paint now: nothing stale is left.
void ExpectRepainted(Form1Harness& form, UINT dpi) {
    form.Pump();
    for (const ControlDescription& control : kForm1Controls) {
        const HWND window = form.Control(control.id);
        const std::vector<COLORREF> shown = PixelsOf(window);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        EXPECT_TRUE(shown == PixelsOf(window)) << "control " << control.id << " repainted at " << dpi << " DPI";
    }
}

// Form1's outer size around a client area: its fixed frame, from the frame
// metrics the system reports for the DPI.
SIZE OuterSizeAt(SIZE client, UINT dpi) {
    const auto forDpi = LateBoundFunctions::Resolve().getSystemMetricsForDpi;
    const auto metric = [&](int index) { return forDpi ? forDpi(index, dpi) : GetSystemMetrics(index); };
    const int padding = metric(SM_CXPADDEDBORDER);
    return {client.cx + 2 * (metric(SM_CXFIXEDFRAME) + padding),
            client.cy + 2 * (metric(SM_CYFIXEDFRAME) + padding) + metric(SM_CYCAPTION)};
}

// What Windows does when a window crosses to a monitor of another DPI: it
// suggests the window rectangle scaled to the new DPI (under per-monitor v2,
// the size the window gave for it), and sends WM_DPICHANGED.
RECT SuggestedRect(HWND form, UINT from, UINT to) {
    RECT window{};
    GetWindowRect(form, &window);
    return {window.left, window.top,
            window.left + MulDiv(window.right - window.left, static_cast<int>(to), static_cast<int>(from)),
            window.top + MulDiv(window.bottom - window.top, static_cast<int>(to), static_cast<int>(from))};
}

// Form1's moves and resizes, as it is told of them.
LRESULT CALLBACK NoteWindowPositions(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR notes) {
    if (message == WM_WINDOWPOSCHANGED) {
        const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
        if ((position->flags & (SWP_NOSIZE | SWP_NOMOVE)) != (SWP_NOSIZE | SWP_NOMOVE))
            reinterpret_cast<std::vector<WINDOWPOS>*>(notes)->push_back(*position);
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

// Made on a monitor of another DPI than the system's (a second screen),
// Form1 is laid out for that monitor from the start.
UINT monitorDpi = 0;
UINT WINAPI DpiOfTheOtherMonitor(HWND) { return monitorDpi; }

TEST(DpiPerMonitor, StartsAtTheDpiOfItsMonitor) {
    LateBoundFunctions functions = Windows10(GrantedPerMonitorV2);
    monitorDpi = ScreenDpi() == 120 ? 192 : 120;
    functions.getDpiForWindow = DpiOfTheOtherMonitor;
    const Form1Harness form(functions);
    ExpectLaidOutAt(form, monitorDpi);
}

// Form1 laid out in twips at the screen's DPI, then moved from it to 120,
// 144 and 192 DPI and back, in one move each: the window lands on the
// suggested corner with the layout's exact client area, and is told of its
// new place once; also where only one coordinate of the corner changes, at
// the same DPI.
TEST_P(DpiLevels, LayTheFormOutInTwipsAndMoveToAnotherDpiInOneStep) {
    nonClientScalingRequests = 0;
    Form1Harness form(Functions());
    UINT dpi = ScreenDpi();
    ExpectLaidOutAt(form, dpi);
    EXPECT_EQ(nonClientScalingRequests, GetParam().asksForFrameScaling ? 1 : 0);
    // At the system DPI every level draws the system's fixed frame, with a
    // minimise box and no maximise box.
    EXPECT_EQ(GetWindowLongW(form.Form(), GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), WS_MINIMIZEBOX);
    const SIZE outer = OuterSizeAt(ExpectedLayoutAt(dpi)->client, dpi);
    RECT frame{};
    GetWindowRect(form.Form(), &frame);
    EXPECT_TRUE(frame.right - frame.left == outer.cx && frame.bottom - frame.top == outer.cy);
    // To a DPI, with the suggested corner moved by dx and dy.
    for (const auto& [next, dx, dy] :
         {std::tuple{120u, 0, 0}, {144u, 0, 0}, {192u, 0, 0}, {192u, 7, 0}, {192u, 0, 5}, {96u, 0, 0}, {144u, 0, 0}}) {
        RECT suggested = SuggestedRect(form.Form(), dpi, next);
        OffsetRect(&suggested, dx, dy);
        std::vector<WINDOWPOS> moves;
        ASSERT_TRUE(SetWindowSubclass(form.Form(), NoteWindowPositions, 11, reinterpret_cast<DWORD_PTR>(&moves)));
        MoveToDpi(form.Form(), next, &suggested);
        RemoveWindowSubclass(form.Form(), NoteWindowPositions, 11);
        dpi = next;
        ExpectLaidOutAt(form, dpi);
        ExpectRepainted(form, dpi);
        RECT window{};
        GetWindowRect(form.Form(), &window);
        EXPECT_EQ((std::pair{window.left, window.top}), (std::pair{suggested.left, suggested.top})) << dpi << " DPI";
        ASSERT_EQ(moves.size(), 1u) << "moves to " << dpi << " DPI";
        EXPECT_EQ((std::pair<LONG, LONG>{moves[0].cx, moves[0].cy}),
                  (std::pair{window.right - window.left, window.bottom - window.top}))
            << "the one move has the final size";
    }
}

BOOL WINAPI NoFrameRules(RECT*, DWORD, BOOL, DWORD, UINT) { return FALSE; }

// Under per-monitor v2 Windows asks first which size the window wants at the
// new DPI: the layout's client area in the frame drawn at that DPI. Where
// the system's rules cannot say, the window leaves the size to Windows.
TEST(DpiPerMonitorV2, GivesTheSizeForANewDpiWhenAsked) {
    LateBoundFunctions functions = Windows10(GrantedPerMonitorV2);
    ASSERT_NE(functions.getSystemMetricsForDpi, nullptr);
    {
        Form1Harness form(functions);
        for (const UINT dpi : {120u, 144u, 192u}) {
            SIZE size{};
            EXPECT_TRUE(SendMessageW(form.Form(), kGetDpiScaledSize, dpi, reinterpret_cast<LPARAM>(&size)));
            const SIZE outer = OuterSizeAt(ExpectedLayoutAt(dpi)->client, dpi);
            EXPECT_EQ((std::pair{size.cx, size.cy}), (std::pair{outer.cx, outer.cy})) << "at " << dpi << " DPI";
        }
    }
    functions.adjustWindowRectExForDpi = NoFrameRules;
    Form1Harness form(functions);
    SIZE size{};
    EXPECT_FALSE(SendMessageW(form.Form(), kGetDpiScaledSize, 120, reinterpret_cast<LPARAM>(&size)));
}

// A DPI change and a change of the message font while Form1 is minimised,
// and a move of the minimised window: restored, it is back where it was,
// with the exact client area.
TEST_P(DpiLevels, ComeBackFromMinimisedWhereTheyWereAtTheNewDpi) {
    Form1Harness form(Functions());
    WINDOWPLACEMENT before{};
    before.length = sizeof(before);
    ShowWindow(form.Form(), SW_MINIMIZE);
    form.Pump();
    ASSERT_TRUE(IsIconic(form.Form()));
    ASSERT_TRUE(GetWindowPlacement(form.Form(), &before));
    for (const UINT dpi : {144u, 192u}) {
        MoveToDpi(form.Form(), dpi);  // Windows suggests where the icon is
        SendMessageW(form.Form(), WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
        form.Pump();
    }
    // The system may move the minimised window, at its minimised size.
    RECT icon{};
    GetWindowRect(form.Form(), &icon);
    ASSERT_TRUE(SetWindowPos(form.Form(), nullptr, icon.left + 20, icon.top, icon.right - icon.left,
                             icon.bottom - icon.top, SWP_NOZORDER | SWP_NOACTIVATE));
    ShowWindow(form.Form(), SW_RESTORE);
    form.Pump();
    ASSERT_FALSE(IsIconic(form.Form()));
    ExpectLaidOutAt(form, 192);
    WINDOWPLACEMENT after{};
    after.length = sizeof(after);
    ASSERT_TRUE(GetWindowPlacement(form.Form(), &after));
    EXPECT_EQ((std::pair{after.rcNormalPosition.left, after.rcNormalPosition.top}),
              (std::pair{before.rcNormalPosition.left, before.rcNormalPosition.top}));
    // Restored, it takes a size it is given, as any window does.
    ASSERT_TRUE(SetWindowPos(form.Form(), nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
    RECT window{};
    GetWindowRect(form.Form(), &window);
    EXPECT_EQ((std::pair{window.right - window.left, window.bottom - window.top}), (std::pair{300L, 200L}));
}

// Moved to another DPI while its message is open, Form1 is laid out for it
// once the message goes, with the focus where it was.
TEST(DpiWhileTheMessageIsOpen, FormIsExactOnceItGoes) {
    Form1Harness form;
    const UINT dpi = ScreenDpi() == 144 ? 120 : 144;
    RECT suggested{};
    MessageBoxCatcher boxes([&](HWND box, const CaughtMessageBox&) {
        suggested = SuggestedRect(form.Form(), ScreenDpi(), dpi);
        PostMessageW(form.Form(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    form.PressKey(VK_RETURN);
    EXPECT_EQ(boxes.Count(), 1u);
    ExpectLaidOutAt(form, dpi);
    RECT window{};
    GetWindowRect(form.Form(), &window);
    EXPECT_EQ((std::pair{window.left, window.top}), (std::pair{suggested.left, suggested.top}));
    EXPECT_EQ(GetFocus(), form.Control(kText1Id));
}

// The placeholder shows from its first character, wholly selected, so that
// the first keystroke replaces it; typing goes on past the field's right
// edge: the text scrolls, and keeps every character typed, without limit.
TEST(DpiEntry, ShowsThePlaceholderFromItsStartAndScrollsToTakeMore) {
    Form1Harness form;
    const HWND entry = form.Control(kText1Id);
    ASSERT_EQ(GetFocus(), entry);
    EXPECT_EQ(SendMessageW(entry, EM_GETFIRSTVISIBLELINE, 0, 0), 0) << "the first character in sight";
    std::wstring typed;
    for (int i = 1; i <= 18; ++i) typed += std::to_wstring(i * 1111) + L' ';
    for (const wchar_t key : typed) form.PressKey(key);  // digits and the space are their own virtual keys
    EXPECT_EQ(WindowText(entry), typed);
    EXPECT_GT(SendMessageW(entry, EM_GETFIRSTVISIBLELINE, 0, 0), 40) << "the first character in sight";
    EXPECT_GE(SendMessageW(entry, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);
}

INSTANTIATE_TEST_SUITE_P(All, DpiLevels, ::testing::ValuesIn(kLevels),
                         [](const auto& info) { return std::string(info.param.name); });

class DpiDialogFont : public ::testing::TestWithParam<UINT> {};

// One font for every control and the tooltips: the dialog font, 8-point MS
// Shell Dlg 2 (which Windows maps to Tahoma, whose 13-pixel lines the layout
// was drawn for) at the window's DPI, whatever message font the user chose.
TEST_P(DpiDialogFont, IsTheOneFontOfTheControlsAndTooltips) {
    Form1Harness form;
    const UINT dpi = GetParam();
    if (dpi != ScreenDpi()) MoveToDpi(form.Form(), dpi);
    std::vector<HWND> windows{TooltipControlOf(form.Form())};
    for (const ControlDescription& control : kForm1Controls) windows.push_back(form.Control(control.id));
    for (const HWND window : windows) {
        LOGFONTW font{};
        ASSERT_TRUE(GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof(font), &font));
        EXPECT_EQ(font.lfHeight, ExpectedLayoutAt(dpi)->fontHeight) << WindowText(window) << " at " << dpi << " DPI";
        EXPECT_STREQ(font.lfFaceName, L"MS Shell Dlg 2") << WindowText(window);
    }
}

INSTANTIATE_TEST_SUITE_P(At, DpiDialogFont, ::testing::Values(96u, 120u, 144u, 192u),
                         [](const auto& info) { return std::to_string(info.param) + "Dpi"; });

}  // namespace
}  // namespace mirvel::testing
