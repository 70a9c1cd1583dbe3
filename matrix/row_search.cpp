#include "matrix/row_search.h"

#include <utility>

#include "matrix/number_text.h"

namespace mirvel {

RowReport FindPositiveRows(const Matrix& matrix, std::u16string_view decimalSeparator) {
    RowReport report;
    for (int row = 1; row <= Matrix::kRows; ++row) {
        bool allPositive = true;
        for (int column = 1; column <= Matrix::kColumns; ++column) {
            const double number = matrix(row, column);
            if (!(number > 0)) allPositive = false;
            AppendNumberText(report.displayText, number, decimalSeparator);
            report.displayText.push_back(u' ');
        }
        if (allPositive) {
            report.rowList.push_back(static_cast<char16_t>(u'0' + row));
            report.rowList.append(u"-й ");
        }
        report.displayText.append(u"\r\n");
    }
    return report;
}

Message ResultMessage(std::u16string_view rowList) {
    std::u16string text = u"В заданной матрице все элементы\r\nположительны в(во) ";
    text.append(rowList);
    text.append(u"строке(-ах).");
    return {u"Результат", std::move(text), MessageIcon::Information};
}

}  // namespace mirvel
