#include "window/late_bound_functions.h"

#include <commctrl.h>

#include <string>

namespace mirvel {
namespace {

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

// The comctl32 the program runs with: common controls 6, by its manifest.
HMODULE CommonControls() {
    HMODULE comctl32 = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&InitCommonControlsEx), &comctl32)) {
        return nullptr;
    }
    return comctl32;
}

}  // namespace

LateBoundFunctions LateBoundFunctions::Resolve() {
    LateBoundFunctions functions;
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    Look(user32, "GetDpiForWindow", functions.getDpiForWindow);
    Look(user32, "GetDpiForSystem", functions.getDpiForSystem);
    Look(user32, "AdjustWindowRectExForDpi", functions.adjustWindowRectExForDpi);
    Look(user32, "GetSystemMetricsForDpi", functions.getSystemMetricsForDpi);
    Look(user32, "EnableNonClientDpiScaling", functions.enableNonClientDpiScaling);
    Look(user32, "GetThreadDpiAwarenessContext", functions.getThreadDpiAwarenessContext);
    Look(user32, "AreDpiAwarenessContextsEqual", functions.areDpiAwarenessContextsEqual);
    if (!functions.getDpiForWindow) {
        // Kept loaded for the life of the process, like user32.
        Look(LoadSystemLibrary(L"shcore.dll"), "GetDpiForMonitor", functions.getDpiForMonitor);
    }
    // LoadIconWithScaleDown scales the large icon down rather than the small
    // one up; it lives in common controls 6, not in the older comctl32.
    Look(CommonControls(), "LoadIconWithScaleDown", functions.loadIconWithScaleDown);
    return functions;
}

}  // namespace mirvel
