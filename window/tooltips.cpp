#include "window/tooltips.h"

#include <commctrl.h>

namespace mirvel {
namespace {

constexpr int kMaxTipWidthAt96Dpi = 320;

}  // namespace

bool Tooltips::Create(HWND owner) {
    owner_ = owner;
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                               reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE)), nullptr);
    return tooltip_ != nullptr;
}

bool Tooltips::Add(HWND control, const wchar_t* text) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner_;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(text);
    return SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) != FALSE;
}

void Tooltips::SetDpi(UINT dpi, HFONT font) {
    SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, MulDiv(kMaxTipWidthAt96Dpi, static_cast<int>(dpi), 96));
}

}  // namespace mirvel
