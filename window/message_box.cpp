#include "window/message_box.h"

#include "window/wide_text.h"

namespace mirvel {

void ShowMessage(HWND owner, const Message& message) {
    const UINT icon = message.icon == MessageIcon::Critical ? MB_ICONSTOP : MB_ICONINFORMATION;
    const std::wstring text = ToWide(message.text);
    const std::wstring title = ToWide(message.title);
    // A box that could not show is told by a beep; one that went with its
    // owner (Form1 closed meanwhile) was seen.
    if (MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK | icon) == 0 && IsWindow(owner)) MessageBeep(icon);
}

}  // namespace mirvel
