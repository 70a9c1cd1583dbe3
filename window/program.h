#pragma once

#include <windows.h>

#include "window/dpi.h"

namespace mirvel {

// The program from start to end: Form1 made and shown, then its message loop
// until it closes; returns the exit code. Should Form1 not be made, a plain
// error box says so and the code is 1: no half-made window is ever run.
int RunProgram(HINSTANCE instance, int showCommand,
               const LateBoundFunctions& functions = LateBoundFunctions::Resolve());

// The error box's text and title.
inline constexpr const wchar_t* kStartFailedText = L"Не удалось открыть окно программы Mirvel.";
inline constexpr const wchar_t* kStartFailedTitle = L"Mirvel";

}  // namespace mirvel
