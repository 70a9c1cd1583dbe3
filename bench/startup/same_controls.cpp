// The fair floor for start-up: a program that makes Form1's five controls,
// with the same classes, styles, texts and font, and runs the same manifest
// (common controls 6), built by the same toolchain; and nothing else: no
// matrix, tooltips, icons or DPI handling.
#include <windows.h>

#include <commctrl.h>

#include "window/form_layout.h"

namespace {

UINT SystemDpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

LRESULT CALLBACK FloorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        const UINT dpi = SystemDpi();
        const HFONT font = mirvel::CreateDialogFont(dpi);  // kept for the life of the process
        const auto instance = reinterpret_cast<LPCREATESTRUCTW>(lParam)->hInstance;
        for (const mirvel::ControlDescription& description : mirvel::kForm1Controls) {
            const mirvel::ControlClass controlClass = mirvel::ClassOf(description);
            const RECT bounds = mirvel::ToPixels(description.bounds, dpi);
            const HWND control =
                CreateWindowExW(controlClass.exStyle, controlClass.className, description.text, controlClass.style,
                                bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, window,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(description.id)), instance, nullptr);
            if (!control) return -1;
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        }
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    if (!InitCommonControlsEx(&controls)) return 1;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = FloorWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"SameControls";
    if (!RegisterClassExW(&windowClass)) return 1;
    RECT frame = mirvel::ToPixels(mirvel::kForm1Client, SystemDpi());
    AdjustWindowRectEx(&frame, mirvel::kForm1Style, FALSE, mirvel::kForm1ExStyle);
    const HWND window = CreateWindowExW(mirvel::kForm1ExStyle, L"SameControls", mirvel::kForm1Caption,
                                        mirvel::kForm1Style, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                        frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
