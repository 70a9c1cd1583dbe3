// Mirvel: finds the rows of a 3 × 6 matrix whose every number is positive.
#include <windows.h>

#include "window/main_window.h"
#include "window/message_loop.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    mirvel::MainWindow form1;
    if (!form1.Create(instance, showCommand)) return 1;
    return mirvel::RunMessageLoop(form1.Window());
}
