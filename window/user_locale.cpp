#include "window/user_locale.h"

#include <windows.h>

#include <array>

namespace mirvel {

std::u16string UserDecimalSeparator() {
    std::array<wchar_t, 8> separator{};  // the system allows at most 3 characters and the terminator
    const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator.data(),
                                       static_cast<int>(separator.size()));
    if (length <= 1) return u".";
    return {separator.begin(), separator.begin() + (length - 1)};
}

}  // namespace mirvel
