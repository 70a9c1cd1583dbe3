#pragma once

#include <windows.h>

namespace mirvel {

// The awareness values newer than Windows 7, which its headers lack.
using AwarenessContext = HANDLE;  // DPI_AWARENESS_CONTEXT
inline const AwarenessContext kPerMonitorAware = reinterpret_cast<AwarenessContext>(static_cast<INT_PTR>(-3));
inline const AwarenessContext kPerMonitorAwareV2 = reinterpret_cast<AwarenessContext>(static_cast<INT_PTR>(-4));

// Every function Form1 uses that Windows 7 may lack, looked up at run time
// so that the program still loads where they are missing: the one place
// they are looked up, and the seam through which tests stand in for each
// Windows. Any may be null.
struct LateBoundFunctions {
    UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;                                      // user32, Windows 10 1607
    UINT(WINAPI* getDpiForSystem)() = nullptr;                                          // user32, Windows 10 1607
    BOOL(WINAPI* adjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;  // user32, Windows 10 1607
    int(WINAPI* getSystemMetricsForDpi)(int, UINT) = nullptr;                           // user32, Windows 10 1607
    BOOL(WINAPI* enableNonClientDpiScaling)(HWND) = nullptr;                            // user32, Windows 10 1607
    AwarenessContext(WINAPI* getThreadDpiAwarenessContext)() = nullptr;                 // user32, Windows 10 1607
    BOOL(WINAPI* areDpiAwarenessContextsEqual)(AwarenessContext, AwarenessContext) = nullptr;  // Windows 10 1607
    HRESULT(WINAPI* getDpiForMonitor)(HMONITOR, int, UINT*, UINT*) = nullptr;                  // shcore, Windows 8.1
    HRESULT(WINAPI* loadIconWithScaleDown)(HINSTANCE, PCWSTR, int, int, HICON*) = nullptr;     // comctl32 6

    // What the running system has; shcore.dll is loaded only when user32
    // lacks the per-monitor functions.
    static LateBoundFunctions Resolve();
};

}  // namespace mirvel
