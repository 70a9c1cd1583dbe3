#pragma once

#include <windows.h>

#include "matrix/message.h"

namespace mirvel {

// Shows the message as a modal box owned by the window, with one OK button.
void ShowMessage(HWND owner, const Message& message);

}  // namespace mirvel
