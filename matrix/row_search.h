#pragma once

#include <string>
#include <string_view>

#include "matrix/matrix.h"
#include "matrix/message.h"

namespace mirvel {

// The outcome of one search.
struct RowReport {
    std::u16string displayText;  // the matrix, three CR LF-ended lines of six space-ended numbers
    std::u16string rowList;      // the qualifying rows, as "1-й 3-й "
};

// Finds the rows whose six numbers are all greater than zero and writes the
// matrix out, numbers in the standard form with the given decimal separator.
RowReport FindPositiveRows(const Matrix& matrix, std::u16string_view decimalSeparator);

// The message that presents the row list of a search.
Message ResultMessage(std::u16string_view rowList);

}  // namespace mirvel
