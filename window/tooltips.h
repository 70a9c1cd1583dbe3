#pragma once

#include <windows.h>

namespace mirvel {

// A tooltip control that shows a text while the mouse rests over a control.
class Tooltips {
public:
    Tooltips() = default;
    Tooltips(const Tooltips&) = delete;
    Tooltips& operator=(const Tooltips&) = delete;

    bool Create(HWND owner);
    bool Add(HWND control, const wchar_t* text);
    // Long tips wrap at a width that follows the DPI.
    void SetDpi(UINT dpi);

    [[nodiscard]] HWND Window() const { return tooltip_; }

private:
    HWND owner_ = nullptr;
    HWND tooltip_ = nullptr;  // destroyed with its owner
};

}  // namespace mirvel
