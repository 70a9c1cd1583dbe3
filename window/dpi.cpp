#include "window/dpi.h"

namespace mirvel {
namespace {

constexpr int kMonitorEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

UINT ScreenDpi() {
    const HDC screen = GetDC(nullptr);
    if (!screen) return USER_DEFAULT_SCREEN_DPI;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

// What Windows granted: asked of Windows 10, which can say; Windows 8.1
// grants per-monitor v1 to a program whose manifest asks for it (this
// one's does); Windows 7 knows one DPI.
DpiLevel GrantedLevel(const LateBoundFunctions& f) {
    if (f.getThreadDpiAwarenessContext && f.areDpiAwarenessContextsEqual) {
        const AwarenessContext context = f.getThreadDpiAwarenessContext();
        if (f.areDpiAwarenessContextsEqual(context, kPerMonitorAwareV2)) return DpiLevel::PerMonitorV2;
        if (f.areDpiAwarenessContextsEqual(context, kPerMonitorAware)) return DpiLevel::PerMonitor;
        return DpiLevel::System;
    }
    return f.getDpiForMonitor ? DpiLevel::PerMonitor : DpiLevel::System;
}

}  // namespace

Dpi::Dpi(const LateBoundFunctions& functions) : functions_(functions), level_(GrantedLevel(functions)) {
    systemDpi_ = functions_.getDpiForSystem ? functions_.getDpiForSystem() : ScreenDpi();
}

UINT Dpi::OfWindow(HWND window) const {
    if (level_ == DpiLevel::System) return systemDpi_;
    if (functions_.getDpiForWindow) {
        if (const UINT dpi = functions_.getDpiForWindow(window)) return dpi;
    } else if (functions_.getDpiForMonitor) {
        UINT dpiX = 0, dpiY = 0;
        const HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
        if (SUCCEEDED(functions_.getDpiForMonitor(monitor, kMonitorEffectiveDpi, &dpiX, &dpiY)) && dpiY) return dpiY;
    }
    return systemDpi_;
}

void Dpi::ScaleFrameOf(HWND window) const {
    // Per-monitor v2 scales the frame by itself; under v1 only Windows 10
    // can be asked to, and only at WM_NCCREATE. Windows 8.1 cannot: there
    // the frame keeps the system's DPI. Whatever the answer, the window
    // measures the frame it got.
    if (level_ == DpiLevel::PerMonitor && functions_.enableNonClientDpiScaling)
        functions_.enableNonClientDpiScaling(window);
}

std::optional<SIZE> Dpi::FrameSize(SIZE client, DWORD style, DWORD exStyle, UINT dpi) const {
    RECT frame{0, 0, client.cx, client.cy};
    if (!functions_.adjustWindowRectExForDpi || !functions_.adjustWindowRectExForDpi(&frame, style, FALSE, exStyle, dpi))
        return std::nullopt;
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

int Dpi::Metric(int index, UINT dpi) const {
    if (functions_.getSystemMetricsForDpi) return functions_.getSystemMetricsForDpi(index, dpi);
    return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(systemDpi_));
}

SIZE MeasuredFrame(HWND window) {
    // With wParam FALSE the window only says which client area a window
    // rectangle would have; nothing moves. Any rectangle large enough to
    // hold the frame will do: a frame without a menu bar is as thick at
    // every size.
    constexpr RECT kProbe{0, 0, 4096, 4096};
    RECT client = kProbe;
    SendMessageW(window, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&client));
    return {(kProbe.right - kProbe.left) - (client.right - client.left),
            (kProbe.bottom - kProbe.top) - (client.bottom - client.top)};
}

}  // namespace mirvel
