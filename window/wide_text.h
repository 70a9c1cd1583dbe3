#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace mirvel {

// The matrix search speaks UTF-16 as char16_t; Win32 speaks it as WCHAR.
static_assert(sizeof(WCHAR) == sizeof(char16_t), "WCHAR is UTF-16 on Windows");

inline std::u16string ToU16(std::wstring_view text) { return {text.begin(), text.end()}; }
inline std::wstring ToWide(std::u16string_view text) { return {text.begin(), text.end()}; }

// The whole current text of a window.
std::wstring WindowText(HWND window);

}  // namespace mirvel
