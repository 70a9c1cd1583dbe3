#include "window/entry_field.h"

#include <commctrl.h>

namespace mirvel {
namespace {

constexpr UINT_PTR kSubclassId = 1;

LRESULT CALLBACK EntryFieldProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    switch (message) {
        case WM_LBUTTONDBLCLK: {
            const LRESULT result = DefSubclassProc(edit, message, wParam, lParam);
            SendMessageW(GetParent(edit), WM_COMMAND,
                         MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(edit)), kEntryFieldDoubleClicked),
                         reinterpret_cast<LPARAM>(edit));
            return result;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(edit, EntryFieldProc, kSubclassId);
            break;
        default:
            break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

}  // namespace

bool ReportDoubleClicks(HWND edit) { return SetWindowSubclass(edit, EntryFieldProc, kSubclassId, 0) != FALSE; }

}  // namespace mirvel
