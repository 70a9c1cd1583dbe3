// Rounds of commands: no leaks, no hang, no crash.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "expected_layout.h"
#include "expected_texts.h"
#include "form1_harness.h"

namespace mirvel::testing {
namespace {

// The message box, stood in for through the import table: the soak measures
// Form1, not the system's box.
unsigned boxesShown = 0;
int WINAPI AnswerBox(HWND, LPCWSTR, LPCWSTR, UINT) { return ++boxesShown, IDOK; }

// Every font and icon Form1 makes, so that the test can ask the system which
// of them still exist.
std::vector<HGDIOBJ> fontsMade;
std::vector<HICON> iconsMade;
decltype(LateBoundFunctions::loadIconWithScaleDown) loadIconWithScaleDown = nullptr;

HFONT WINAPI NoteFont(const LOGFONTW* font) {
    static const auto create = reinterpret_cast<decltype(&CreateFontIndirectW)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"gdi32.dll"), "CreateFontIndirectW")));
    const HFONT made = create(font);
    fontsMade.push_back(made);
    return made;
}

HRESULT WINAPI NoteIcon(HINSTANCE instance, PCWSTR name, int width, int height, HICON* icon) {
    const HRESULT result = loadIconWithScaleDown(instance, name, width, height, icon);
    if (SUCCEEDED(result)) iconsMade.push_back(*icon);
    return result;
}

// What of Form1's own is alive: its fonts and icons, as the system knows
// them, and its windows. (Neither Wine counts a process's GDI and USER
// objects: GetGuiResources says 0.)
struct Alive {
    int fonts = 0, icons = 0, windows = 0;
};

BOOL CALLBACK CountWindow(HWND, LPARAM windows) { return ++*reinterpret_cast<int*>(windows), TRUE; }

Alive AliveNow(HWND form) {
    Alive alive;
    for (const HGDIOBJ font : fontsMade) alive.fonts += GetObjectType(font) == OBJ_FONT;
    for (const HICON icon : iconsMade) {
        ICONINFO info{};
        if (!GetIconInfo(icon, &info)) continue;
        ++alive.icons;
        DeleteObject(info.hbmMask);
        if (info.hbmColor) DeleteObject(info.hbmColor);
    }
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&alive.windows));
    EnumChildWindows(form, CountWindow, reinterpret_cast<LPARAM>(&alive.windows));
    return alive;
}

// Rounds of all Form1 does over and over: a Find, a round of Tab, a Clear, a
// minimise with a move to 144 DPI meanwhile, a restore and a move back. After
// each, Form1 is as it was; after all, nothing it made in them is left over.
TEST(Soak, RoundsLeaveNothingBehind) {
    const UINT dpi = ScreenDpi();
    const ExpectedLayout* layout = ExpectedLayoutAt(dpi);
    ASSERT_NE(layout, nullptr);
    const int rounds = static_cast<int>(std::max(20u, EnvironmentNumber("MIRVEL_SOAK_ROUNDS", 20)));
    fontsMade.clear(), iconsMade.clear();
    fontsMade.reserve(static_cast<std::size_t>(rounds) * 2 + 16);
    iconsMade.reserve(static_cast<std::size_t>(rounds) * 4 + 16);
    LateBoundFunctions functions = LateBoundFunctions::Resolve();
    loadIconWithScaleDown = functions.loadIconWithScaleDown;
    ASSERT_NE(loadIconWithScaleDown, nullptr);
    functions.loadIconWithScaleDown = NoteIcon;
    const ImportStandIn fonts("gdi32.dll", "CreateFontIndirectW", reinterpret_cast<const void*>(NoteFont));
    const ImportStandIn box("user32.dll", "MessageBoxW", reinterpret_cast<const void*>(AnswerBox));
    Form1Harness form(functions);
    const HWND entry = form.Control(kText1Id);
    // An entry read, one short and one out of range, in turn.
    const ExpectedFind& read = kExpectedFinds[1];
    const std::wstring entries[] = {read.entry, kRejectedEntries[0], kRejectedEntries[2]};
    boxesShown = 0;
    const auto round = [&](int i) {
        SetWindowTextW(entry, entries[i % 3].c_str());
        form.PressKey(VK_RETURN);
        for (int tab = 0; tab < 3; ++tab) form.PressKey(VK_TAB);  // round the tab order, back to the entry
        form.DoubleClick(entry);
        ShowWindow(form.Form(), SW_MINIMIZE);
        MoveToDpi(form.Form(), 144);
        ShowWindow(form.Form(), SW_RESTORE);
        MoveToDpi(form.Form(), dpi);
        form.Pump();
        RECT client{};
        GetClientRect(form.Form(), &client);
        ASSERT_TRUE(client.right == layout->client.cx && client.bottom == layout->client.cy) << "round " << i;
        ASSERT_EQ(GetFocus(), entry) << "round " << i;
        ASSERT_EQ(WindowText(entry), L"") << "round " << i;
        ASSERT_EQ(boxesShown, static_cast<unsigned>(i + 1));
    };

    for (int i = 0; i < 3; ++i) round(i);  // caches and lazily made objects settle first
    boxesShown = 0;
    const Alive before = AliveNow(form.Form());
    const SIZE_T heapBefore = HeapBytesInUse();
    for (int i = 0; i < rounds && !HasFatalFailure(); ++i) round(i);
    const SIZE_T heapAfter = HeapBytesInUse();
    const Alive after = AliveNow(form.Form());
    std::printf("after %d rounds: heap bytes %zu -> %zu\n", rounds, static_cast<std::size_t>(heapBefore),
                static_cast<std::size_t>(heapAfter));
    ASSERT_GT(heapBefore, 0u) << "the heaps could not be walked";

    // One font and two icons at a time, and Form1's windows; a leak of one
    // object a round breaks any of these bounds.
    EXPECT_EQ(after.fonts, 1);
    EXPECT_EQ(after.icons, 2);
    EXPECT_EQ(after.windows, before.windows);
    // The heap takes back all a round takes, but for a cache Wine may fill
    // once: the longer the run, the finer the bound.
    EXPECT_LE(heapAfter, heapBefore + 16 * 1024) << "heap bytes in use";

    // And it still shows the matrix of the last entry it read.
    EXPECT_EQ(WindowText(form.Control(kLabel2Id)), read.display);
}

}  // namespace
}  // namespace mirvel::testing
