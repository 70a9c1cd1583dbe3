// The C++ runtime that Mirvel.exe ships with (window/lean_runtime.cpp),
// linked here exactly as into Mirvel.exe: each throw helper it replaces is
// driven through Form1's window procedure, which must catch what it throws;
// Form1 must go on and still find the rows of a matrix. A program of its
// own, without GoogleTest, which needs the library's own helpers, and with
// them would clash with the replacements (so no std::string here either).
// It also checks the guard of function-local statics.
#include <windows.h>

#include <bits/functexcept.h>

#include <cstdio>
#include <new>

#include "window/main_window.h"
#include "window/message_loop.h"
#include "window/wide_text.h"

namespace {

// Which helper the next icon size thrown from: -1 for none.
int helperToThrow = -1;
bool cameBack = false;

int WINAPI MetricThatThrows(int index, UINT dpi) {
    switch (helperToThrow) {
        case 0:
            std::__throw_bad_alloc();
        case 1:
            std::__throw_bad_array_new_length();
        case 2:
            std::__throw_length_error("too long");
        case 3:
            std::__throw_out_of_range_fmt("index %d out of range", 3);
        default:
            break;
    }
    cameBack = helperToThrow >= 0;
    return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
}

// Find's message box is answered with OK as soon as it shows.
LRESULT CALLBACK AnswerMessageBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        wchar_t name[16]{};
        GetClassNameW(reinterpret_cast<HWND>(wParam), name, 16);
        if (lstrcmpW(name, L"#32770") == 0) PostMessageW(reinterpret_cast<HWND>(wParam), WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// A static whose first making throws is made again by the next call, and
// then never again: the runtime's guard of statics, which the thread model
// builds on its own locks.
int makings = 0;
struct ThrowsWhenFirstMade {
    ThrowsWhenFirstMade() {
        if (makings++ == 0) throw std::bad_alloc();
    }
};
int MakingsOfTheStatic() {
    static const ThrowsWhenFirstMade made;
    return makings;
}

int failures = 0;
void Check(bool passed, const char* helper, const char* what) {
    std::printf("%s: %s%s%s\n", passed ? "ok" : "FAILED", helper, *helper ? ": " : "", what);
    failures += passed ? 0 : 1;
}

void Pump() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) mirvel::ProcessMessage(nullptr, message);
}

}  // namespace

int main() {
    mirvel::LateBoundFunctions functions;
    functions.getSystemMetricsForDpi = MetricThatThrows;
    mirvel::MainWindow form1(functions);
    Check(form1.Create(GetModuleHandleW(nullptr), SW_SHOW), "", "Form1 is made");
    const HHOOK hook = SetWindowsHookExW(WH_CBT, AnswerMessageBoxes, nullptr, GetCurrentThreadId());
    const char* const helpers[] = {"__throw_bad_alloc", "__throw_bad_array_new_length", "__throw_length_error",
                                   "__throw_out_of_range_fmt"};
    for (int helper = 0; helper < 4; ++helper) {
        // A DPI change makes Form1 ask for its icons' sizes, and the helper throws.
        helperToThrow = helper;
        cameBack = false;
        RECT where{};
        GetWindowRect(form1.Window(), &where);
        SendMessageW(form1.Window(), WM_DPICHANGED, MAKEWPARAM(120, 120), reinterpret_cast<LPARAM>(&where));
        helperToThrow = -1;
        Pump();
        const char* const name = helpers[helper];
        Check(!cameBack, name, "throws");
        Check(IsWindow(form1.Window()) != FALSE, name, "Form1 survives it");

        const HWND display = GetDlgItem(form1.Window(), mirvel::kLabel2Id);
        SetWindowTextW(display, L"");
        SetWindowTextW(GetDlgItem(form1.Window(), mirvel::kText1Id), L"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18");
        SendMessageW(GetDlgItem(form1.Window(), mirvel::kCommand1Id), BM_CLICK, 0, 0);
        Pump();
        Check(mirvel::WindowText(display) == L"1 2 3 4 5 6 \r\n7 8 9 10 11 12 \r\n13 14 15 16 17 18 \r\n", name,
              "then Find shows the matrix");
    }
    if (hook) UnhookWindowsHookEx(hook);

    bool threw = false;
    try {
        MakingsOfTheStatic();
    } catch (const std::bad_alloc&) {
        threw = true;
    }
    Check(threw, "a static", "its first making throws");
    Check(MakingsOfTheStatic() == 2 && MakingsOfTheStatic() == 2, "a static", "the next call makes it, once");
    std::printf("runtime: %d checks failed\n", failures);
    return failures == 0 ? 0 : 1;
}
