#include "window/dpi.h"

#include <string>

namespace mirvel {
namespace {

constexpr int kMonitorEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

template <typename Function>
void Look(HMODULE module, const char* name, Function& function) {
    function = module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// A system DLL from the system folder only, never from beside the program.
HMODULE LoadSystemLibrary(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + name;
    return LoadLibraryW(path.c_str());
}

UINT ScreenDpi() {
    const HDC screen = GetDC(nullptr);
    if (!screen) return USER_DEFAULT_SCREEN_DPI;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

DpiFunctions DpiFunctions::Resolve() {
    DpiFunctions functions;
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    Look(user32, "GetDpiForWindow", functions.getDpiForWindow);
    Look(user32, "GetDpiForSystem", functions.getDpiForSystem);
    Look(user32, "AdjustWindowRectExForDpi", functions.adjustWindowRectExForDpi);
    Look(user32, "GetSystemMetricsForDpi", functions.getSystemMetricsForDpi);
    if (!functions.getDpiForWindow) {
        // Kept loaded for the life of the process, like user32.
        Look(LoadSystemLibrary(L"shcore.dll"), "GetDpiForMonitor", functions.getDpiForMonitor);
    }
    return functions;
}

Dpi::Dpi(const DpiFunctions& functions) : functions_(functions) {
    const DpiFunctions& f = functions_;
    if (f.getDpiForWindow && f.adjustWindowRectExForDpi) {
        level_ = DpiLevel::PerMonitorV2;
    } else if (f.getDpiForWindow || f.getDpiForMonitor) {
        level_ = DpiLevel::PerMonitor;
    } else {
        level_ = DpiLevel::System;
    }
    systemDpi_ = f.getDpiForSystem ? f.getDpiForSystem() : ScreenDpi();
}

UINT Dpi::OfWindow(HWND window) const {
    if (functions_.getDpiForWindow) {
        if (const UINT dpi = functions_.getDpiForWindow(window)) return dpi;
    } else if (functions_.getDpiForMonitor) {
        UINT dpiX = 0, dpiY = 0;
        const HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
        if (SUCCEEDED(functions_.getDpiForMonitor(monitor, kMonitorEffectiveDpi, &dpiX, &dpiY)) && dpiY) return dpiY;
    }
    return systemDpi_;
}

SIZE Dpi::FrameSize(SIZE client, DWORD style, DWORD exStyle, UINT dpi) const {
    RECT frame{0, 0, client.cx, client.cy};
    // Below per-monitor v2 the frame is drawn at the system DPI whatever the
    // monitor's, which is what AdjustWindowRectEx measures.
    const bool adjusted = level_ == DpiLevel::PerMonitorV2
                              ? functions_.adjustWindowRectExForDpi(&frame, style, FALSE, exStyle, dpi)
                              : AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    if (!adjusted) frame = {0, 0, client.cx, client.cy};
    return {frame.right - frame.left, frame.bottom - frame.top};
}

int Dpi::Metric(int index, UINT dpi) const {
    if (functions_.getSystemMetricsForDpi) return functions_.getSystemMetricsForDpi(index, dpi);
    return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(systemDpi_));
}

}  // namespace mirvel
