#include "window/late_bound_functions.h"

#include <commctrl.h>

namespace mirvel {
namespace {

template <typename Function>
void FindExport(HMODULE module, const char* name, Function& function) {
    function = module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// A system DLL from the system folder only, never from beside the program:
// LOAD_LIBRARY_SEARCH_SYSTEM32, which every Windows that has shcore.dll (8.1
// and later) knows; Windows 7 has neither, and refuses the flag or finds no
// such DLL.
HMODULE LoadSystemLibrary(const wchar_t* name) {
    constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    return LoadLibraryExW(name, nullptr, kSearchSystem32);
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
    FindExport(user32, "GetDpiForWindow", functions.getDpiForWindow);
    FindExport(user32, "GetDpiForSystem", functions.getDpiForSystem);
    FindExport(user32, "AdjustWindowRectExForDpi", functions.adjustWindowRectExForDpi);
    FindExport(user32, "GetSystemMetricsForDpi", functions.getSystemMetricsForDpi);
    FindExport(user32, "EnableNonClientDpiScaling", functions.enableNonClientDpiScaling);
    FindExport(user32, "GetThreadDpiAwarenessContext", functions.getThreadDpiAwarenessContext);
    FindExport(user32, "AreDpiAwarenessContextsEqual", functions.areDpiAwarenessContextsEqual);
    if (!functions.getDpiForWindow) {
        // Kept loaded for the life of the process, like user32.
        FindExport(LoadSystemLibrary(L"shcore.dll"), "GetDpiForMonitor", functions.getDpiForMonitor);
    }
    // LoadIconWithScaleDown scales the large icon down rather than the small
    // one up; it lives in common controls 6, not in the older comctl32.
    FindExport(CommonControls(), "LoadIconWithScaleDown", functions.loadIconWithScaleDown);
    return functions;
}

}  // namespace mirvel
