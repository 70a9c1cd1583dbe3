#include "matrix/entry_reading.h"

#include <algorithm>
#include <optional>

#include "matrix/leading_number.h"

namespace mirvel {

std::size_t CountItems(std::u16string_view entry) {
    if (entry.empty()) return 0;
    return static_cast<std::size_t>(std::count(entry.begin(), entry.end(), u' ')) + 1;
}

bool ReadMatrixEntry(std::u16string_view entry, Matrix& matrix) {
    if (CountItems(entry) != Matrix::kCells) return false;

    Matrix read;
    std::size_t itemStart = 0;
    for (int row = 1; row <= Matrix::kRows; ++row) {
        for (int column = 1; column <= Matrix::kColumns; ++column) {
            const std::size_t itemEnd = std::min(entry.find(u' ', itemStart), entry.size());
            const std::optional<double> number = ReadLeadingNumber(entry.substr(itemStart, itemEnd - itemStart));
            if (!number) return false;
            read(row, column) = *number;
            itemStart = itemEnd + 1;
        }
    }
    matrix = read;
    return true;
}

Message InputErrorMessage() {
    return {u"Ошибка ввода данных?", u"Ошибка при вводе данных!\r\nВведите массив правильно!", MessageIcon::Critical};
}

}  // namespace mirvel
