#pragma once

#include <optional>
#include <string_view>

namespace mirvel {

// Reads the number at the start of an item: an optional sign, digits with at
// most one full stop, an optional exponent (E, e, D or d), or an &H / &O radix
// literal. Reading stops at the first character that cannot continue the
// number; TAB, LF and space are skipped wherever they stand. An item that does not begin with a number
// reads as 0. Returns nothing when the number lies outside the range of a
// double (or of 32 bits, for a radix literal): the caller rejects the entry
// instead of storing an infinity.
std::optional<double> ReadLeadingNumber(std::u16string_view item);

}  // namespace mirvel
