#include "window/message_loop.h"

namespace mirvel {

void ProcessMessage(HWND mainWindow, MSG& message) {
    if (mainWindow && IsDialogMessageW(mainWindow, &message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

int RunMessageLoop(HWND mainWindow) {
    MSG message{};
    BOOL result;
    while ((result = GetMessageW(&message, nullptr, 0, 0)) != 0) {
        if (result == -1) return -1;
        // Once the window is gone its handle may not be reused for dialog keys.
        ProcessMessage(IsWindow(mainWindow) ? mainWindow : nullptr, message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace mirvel
