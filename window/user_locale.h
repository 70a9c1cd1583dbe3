#pragma once

#include <string>

namespace mirvel {

// The decimal separator the user has chosen in the regional settings,
// read anew each time so that a change applies at once.
std::u16string UserDecimalSeparator();

}  // namespace mirvel
