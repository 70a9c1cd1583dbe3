#include "window/program.h"

#include "window/main_window.h"
#include "window/message_loop.h"

namespace mirvel {

int RunProgram(HINSTANCE instance, int showCommand, const LateBoundFunctions& functions) {
    MainWindow form1(functions);
    if (!form1.Create(instance, showCommand)) {
        MessageBoxW(nullptr, kStartFailedText, kStartFailedTitle, MB_OK | MB_ICONERROR);
        return 1;
    }
    return RunMessageLoop(form1.Window());
}

}  // namespace mirvel
