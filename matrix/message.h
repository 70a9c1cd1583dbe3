#pragma once

#include <string>

namespace mirvel {

enum class MessageIcon { Critical, Information };

// What a message box says; the window only presents it.
struct Message {
    std::u16string title;
    std::u16string text;
    MessageIcon icon;
};

}  // namespace mirvel
