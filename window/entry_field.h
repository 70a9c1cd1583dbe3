#pragma once

#include <windows.h>

namespace mirvel {

// Edit controls keep double-clicks to themselves; this notification, sent to
// the parent as WM_COMMAND with the control's id, reports them.
constexpr WORD kEntryFieldDoubleClicked = 0x4000;

// Makes the edit control report double-clicks to its parent.
bool ReportDoubleClicks(HWND edit);

}  // namespace mirvel
