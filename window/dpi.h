#pragma once

#include <windows.h>

#include <optional>

#include "window/late_bound_functions.h"

namespace mirvel {

// How far the system lets the program's windows follow the DPI of their
// monitor: what Windows granted the process, read at run time.
enum class DpiLevel {
    System,        // Windows 7, or a process Windows keeps at the system DPI
    PerMonitor,    // per-monitor v1: Windows 8.1, and Windows 10 1607, where per-monitor v2 is not yet known
    PerMonitorV2,  // Windows 10 1703 and later: the frame follows the monitor too
};

// The message newer than Windows 7, which its headers lack.
constexpr UINT kGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE

// The DPI of windows and the system, and the sizes that follow from it, by
// the best means the system offers.
class Dpi {
public:
    explicit Dpi(const LateBoundFunctions& functions);

    [[nodiscard]] const LateBoundFunctions& Functions() const { return functions_; }
    [[nodiscard]] DpiLevel Level() const { return level_; }
    [[nodiscard]] UINT System() const { return systemDpi_; }
    [[nodiscard]] UINT OfWindow(HWND window) const;

    // Asks, from WM_NCCREATE, that the window's frame follow its DPI where
    // Windows does not do it by itself (per-monitor v1 on Windows 10).
    void ScaleFrameOf(HWND window) const;

    // The outer size of a window with the given client size and style in
    // the frame drawn at the DPI, as the system's rules say (Windows 10 1607
    // and later); nothing where they cannot say. A window that exists is
    // measured instead (MeasuredFrame).
    [[nodiscard]] std::optional<SIZE> FrameSize(SIZE client, DWORD style, DWORD exStyle, UINT dpi) const;
    // A system metric (an icon size, say) at the given DPI.
    [[nodiscard]] int Metric(int index, UINT dpi) const;

private:
    LateBoundFunctions functions_;
    DpiLevel level_;
    UINT systemDpi_;
};

// The thickness of an existing window's frame around its client area, as the
// window itself computes it (WM_NCCALCSIZE) at this moment: right whatever
// Windows, or Wine, draws; cx and cy are the frame's total width and height.
// Not meaningful for a minimised window, which has no frame.
SIZE MeasuredFrame(HWND window);

}  // namespace mirvel
