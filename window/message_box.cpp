#include "window/message_box.h"

#include "window/wide_text.h"

namespace mirvel {

void ShowMessage(HWND owner, const Message& message) {
    const UINT icon = message.icon == MessageIcon::Critical ? MB_ICONSTOP : MB_ICONINFORMATION;
    const std::wstring text = ToWide(message.text);
    const std::wstring title = ToWide(message.title);
    if (MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK | icon) == 0) MessageBeep(icon);
}

}  // namespace mirvel
