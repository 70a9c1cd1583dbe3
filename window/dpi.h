#pragma once

#include <windows.h>

namespace mirvel {

// How far the system lets a window follow the DPI of its monitor.
enum class DpiLevel {
    System,        // Windows 7: one DPI for the session, the system's
    PerMonitor,    // Windows 8.1: each monitor its own DPI; the frame keeps the system's
    PerMonitorV2,  // Windows 10: the frame follows the monitor too
};

// The DPI functions newer than Windows 7, looked up at run time so that the
// program still loads where they are missing. Any may be null.
struct DpiFunctions {
    UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;                                      // user32, Windows 10
    UINT(WINAPI* getDpiForSystem)() = nullptr;                                          // user32, Windows 10
    BOOL(WINAPI* adjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;  // user32, Windows 10
    int(WINAPI* getSystemMetricsForDpi)(int, UINT) = nullptr;                           // user32, Windows 10
    HRESULT(WINAPI* getDpiForMonitor)(HMONITOR, int, UINT*, UINT*) = nullptr;           // shcore, Windows 8.1

    // What the running system has; shcore.dll is loaded only when user32
    // lacks the per-monitor v2 functions.
    static DpiFunctions Resolve();
};

// The DPI of windows and the system, and the sizes that follow from it, by
// the best means the system offers.
class Dpi {
public:
    explicit Dpi(const DpiFunctions& functions);

    [[nodiscard]] DpiLevel Level() const { return level_; }
    [[nodiscard]] UINT System() const { return systemDpi_; }
    [[nodiscard]] UINT OfWindow(HWND window) const;
    // The outer size of a window with the given client size, style and DPI.
    [[nodiscard]] SIZE FrameSize(SIZE client, DWORD style, DWORD exStyle, UINT dpi) const;
    // A system metric (an icon size, say) at the given DPI.
    [[nodiscard]] int Metric(int index, UINT dpi) const;

private:
    DpiFunctions functions_;
    DpiLevel level_;
    UINT systemDpi_;
};

}  // namespace mirvel
