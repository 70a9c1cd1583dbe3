// Form1 at every DPI: the layout on each level of DPI support the system may
// offer, the dialog font whatever the user's message font, and icons drawn
// for the window's DPI.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "form1_harness.h"
#include "window/dpi.h"

namespace mirvel::testing {
namespace {

constexpr DWORD kForm1Style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// The DPI this run of the tests is meant for (MIRVEL_TEST_DPI, 96 unless
// said otherwise), so that a prefix at the wrong DPI cannot pass unnoticed.
TEST(TestPrefix, RunsAtTheDpiItIsMeantFor) {
    const char* wanted = std::getenv("MIRVEL_TEST_DPI");
    EXPECT_EQ(ScreenDpi(), wanted ? static_cast<UINT>(std::atoi(wanted)) : 96u);
}

struct LevelCase {
    const char* name;
    DpiLevel level;
    DpiFunctions (*functions)();
};

// What Windows 8.1 has: GetDpiForMonitor, none of user32's DPI functions.
DpiFunctions Windows81() {
    DpiFunctions functions;
    if (const HMODULE shcore = LoadLibraryW(L"shcore.dll")) {
        functions.getDpiForMonitor = reinterpret_cast<decltype(functions.getDpiForMonitor)>(
            reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")));
    }
    EXPECT_NE(functions.getDpiForMonitor, nullptr) << "shcore.dll has no GetDpiForMonitor here";
    return functions;
}

const LevelCase kLevels[] = {
    {"PerMonitorV2", DpiLevel::PerMonitorV2, &DpiFunctions::Resolve},
    {"PerMonitor", DpiLevel::PerMonitor, &Windows81},
    {"System", DpiLevel::System, [] { return DpiFunctions{}; }},
};

class DpiLevels : public ::testing::TestWithParam<LevelCase> {};

RECT TwipsAt(int left, int top, int width, int height, UINT dpi) { return ToPixels({left, top, width, height}, dpi); }

TEST_P(DpiLevels, LayTheFormOutInTwipsAtTheScreensDpi) {
    const DpiFunctions functions = GetParam().functions();
    ASSERT_EQ(Dpi(functions).Level(), GetParam().level);
    Form1Harness form(functions);
    const UINT dpi = ScreenDpi();

    RECT client{};
    GetClientRect(form.Form(), &client);
    const RECT wantedClient = TwipsAt(0, 0, 3825, 1485, dpi);
    EXPECT_EQ(client.right, wantedClient.right);
    EXPECT_EQ(client.bottom, wantedClient.bottom);

    RECT frame = wantedClient;
    ASSERT_TRUE(AdjustWindowRectEx(&frame, kForm1Style, FALSE, 0));
    RECT window{};
    GetWindowRect(form.Form(), &window);
    EXPECT_EQ(window.right - window.left, frame.right - frame.left);
    EXPECT_EQ(window.bottom - window.top, frame.bottom - frame.top);

    for (const ControlDescription& control : kForm1Controls) {
        const RECT wanted = ToPixels(control.bounds, dpi);
        const RECT actual = RectInParent(form.Control(control.id));
        EXPECT_TRUE(EqualRect(&actual, &wanted)) << "control " << control.id << " at " << dpi << " DPI";
    }
}

INSTANTIATE_TEST_SUITE_P(All, DpiLevels, ::testing::ValuesIn(kLevels),
                         [](const auto& info) { return std::string(info.param.name); });

void MoveToDpi(HWND form, UINT dpi) {
    RECT suggested{};
    GetWindowRect(form, &suggested);
    SendMessageW(form, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

struct TextMetric {
    LONG lineHeight;
    std::wstring face;
};

// The metrics of the font a control really draws with.
TextMetric FontOf(HWND control) {
    const HDC dc = GetDC(control);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    // The family of the font file drawn with, not the name asked for.
    std::vector<char> outline(GetOutlineTextMetricsW(dc, 0, nullptr));
    std::wstring family = L"(no outline font)";
    if (!outline.empty()) {
        auto* outlineMetrics = reinterpret_cast<OUTLINETEXTMETRICW*>(outline.data());
        GetOutlineTextMetricsW(dc, static_cast<UINT>(outline.size()), outlineMetrics);
        family = reinterpret_cast<const wchar_t*>(outline.data() +
                                                  reinterpret_cast<UINT_PTR>(outlineMetrics->otmpFamilyName));
    }
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {metrics.tmHeight, family};
}

LONG HeightOf(HWND control) {
    const RECT rect = RectInParent(control);
    return rect.bottom - rect.top;
}

// A message font like Windows 10's Segoe UI 9 pt, whose lines are 16 pixels
// high: the layout must not take it up. No font here has Segoe's tall lines
// at 9 points, so the 16-pixel cell is asked for directly.
LOGFONTW TallMessageFont() {
    LOGFONTW font{};
    font.lfHeight = 16;  // cell height: 16-pixel lines
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, L"DejaVu Sans", LF_FACESIZE);
    return font;
}

class DialogFont : public ::testing::TestWithParam<UINT> {};

TEST_P(DialogFont, FillsTheLabelsWithWholeLinesWhateverTheMessageFont) {
    const MessageFontOverride tallMessageFont(TallMessageFont());
    Form1Harness form;
    const UINT dpi = GetParam();
    if (dpi != ScreenDpi()) MoveToDpi(form.Form(), dpi);

    const TextMetric label2 = FontOf(form.Control(kLabel2Id));
    EXPECT_EQ(label2.face, L"Tahoma") << "MS Shell Dlg 2 is Tahoma";
    EXPECT_GE(HeightOf(form.Control(kLabel2Id)), 3 * label2.lineHeight) << "three whole lines at " << dpi << " DPI";
    const TextMetric label1 = FontOf(form.Control(kLabel1Id));
    EXPECT_NEAR(HeightOf(form.Control(kLabel1Id)), 2 * label1.lineHeight, 1) << "two lines at " << dpi << " DPI";
    for (const ControlDescription& control : kForm1Controls)
        EXPECT_EQ(SendMessageW(form.Control(control.id), WM_GETFONT, 0, 0),
                  SendMessageW(form.Control(kLabel2Id), WM_GETFONT, 0, 0))
            << "one font for all, control " << control.id;

    // Nor does a later change of the message font move anything.
    const HWND label2Window = form.Control(kLabel2Id);
    const LRESULT fontBefore = SendMessageW(label2Window, WM_GETFONT, 0, 0);
    SendMessageW(form.Form(), WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
    EXPECT_EQ(SendMessageW(label2Window, WM_GETFONT, 0, 0), fontBefore);
}

INSTANTIATE_TEST_SUITE_P(At, DialogFont, ::testing::Values(96u, 120u, 144u, 192u),
                         [](const auto& info) { return std::to_string(info.param) + "Dpi"; });

SIZE IconSize(HICON icon) {
    ICONINFO info{};
    if (!icon || !GetIconInfo(icon, &info)) return {0, 0};
    BITMAP bitmap{};
    GetObjectW(info.hbmMask, sizeof(bitmap), &bitmap);
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    // A monochrome icon's mask holds the AND and XOR halves one above the other.
    return {bitmap.bmWidth, info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2};
}

HICON WindowIcon(HWND window, WPARAM which) {
    return reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, which, 0));
}

TEST(Icons, AreDrawnForTheWindowsDpi) {
    Form1Harness form;
    const UINT start = ScreenDpi();
    const auto expectSizes = [&](UINT dpi) {
        const int big = MulDiv(GetSystemMetrics(SM_CXICON), static_cast<int>(dpi), static_cast<int>(start));
        const int small = MulDiv(GetSystemMetrics(SM_CXSMICON), static_cast<int>(dpi), static_cast<int>(start));
        EXPECT_EQ(IconSize(WindowIcon(form.Form(), ICON_BIG)).cx, big) << "at " << dpi << " DPI";
        EXPECT_EQ(IconSize(WindowIcon(form.Form(), ICON_SMALL)).cx, small) << "at " << dpi << " DPI";
    };
    expectSizes(start);
    MoveToDpi(form.Form(), start * 3 / 2);
    expectSizes(start * 3 / 2);
    MoveToDpi(form.Form(), start * 2);
    expectSizes(start * 2);
}

// Each control, when handed a new font, notes whether its old one still exists.
LRESULT CALLBACK NoteFontSwaps(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR notes) {
    if (message == WM_SETFONT) {
        const auto old = reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0));
        reinterpret_cast<std::vector<bool>*>(notes)->push_back(old == nullptr || GetObjectType(old) == OBJ_FONT);
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

TEST(DialogFontChange, GivesTheControlsTheNewFontBeforeTheOldIsDeleted) {
    Form1Harness form;
    std::vector<bool> oldFontAlive;
    for (const ControlDescription& control : kForm1Controls)
        ASSERT_TRUE(
            SetWindowSubclass(form.Control(control.id), NoteFontSwaps, 7, reinterpret_cast<DWORD_PTR>(&oldFontAlive)));
    MoveToDpi(form.Form(), 144);
    for (const ControlDescription& control : kForm1Controls)
        RemoveWindowSubclass(form.Control(control.id), NoteFontSwaps, 7);
    ASSERT_EQ(oldFontAlive.size(), kForm1Controls.size());
    for (std::size_t i = 0; i < oldFontAlive.size(); ++i) EXPECT_TRUE(oldFontAlive[i]) << "control " << i;
}

}  // namespace
}  // namespace mirvel::testing
