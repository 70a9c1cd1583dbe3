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
    // The tips' font follows the window's DPI (the window keeps the font),
    // and long tips wrap at a width that follows it too.
    void SetDpi(UINT dpi, HFONT font);

    [[nodiscard]] HWND Window() const { return tooltip_; }

private:
    HWND owner_ = nullptr;
    HWND tooltip_ = nullptr;  // destroyed with its owner
};

}  // namespace mirvel
