#pragma once

#include <cstddef>
#include <string_view>

#include "matrix/matrix.h"
#include "matrix/message.h"

namespace mirvel {

// How many items the entry holds: the pieces between space characters.
// An empty entry holds none; n spaces make n + 1 items.
std::size_t CountItems(std::u16string_view entry);

// Reads an entry of exactly 18 space-separated items into the matrix, row by
// row. Fails, leaving the matrix as it was, when the count is wrong or an
// item's number is out of range.
[[nodiscard]] bool ReadMatrixEntry(std::u16string_view entry, Matrix& matrix);

// The message shown when ReadMatrixEntry fails.
Message InputErrorMessage();

}  // namespace mirvel
