// Mirvel: finds the rows of a 3 × 6 matrix whose every number is positive.
#include <windows.h>

#include "window/program.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    return mirvel::RunProgram(instance, showCommand);
}
