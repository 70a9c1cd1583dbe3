#include "matrix/row_search.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "matrix/entry_reading.h"

namespace mirvel {
namespace {

Matrix Rows(const std::array<std::array<double, 6>, 3>& rows) {
    Matrix matrix;
    for (int row = 1; row <= Matrix::kRows; ++row)
        for (int column = 1; column <= Matrix::kColumns; ++column)
            matrix(row, column) = rows[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)];
    return matrix;
}

constexpr std::array<double, 6> kPositive{1, 2, 3, 4, 5, 6};
constexpr std::array<double, 6> kZeros{};
constexpr std::array<double, 6> kTinyPositives{1e-300, 1e-300, 1e-300, 1e-300, 1e-300, 5e-324};

std::array<double, 6> PositiveWith(std::size_t column, double value) {
    auto row = kPositive;
    row[column] = value;
    return row;
}

struct RowCase {
    const char* name;
    Matrix matrix;
    std::u16string rowList;
};

class FindsRows : public ::testing::TestWithParam<RowCase> {};

TEST_P(FindsRows, WhoseNumbersAreAllGreaterThanZero) {
    EXPECT_EQ(FindPositiveRows(GetParam().matrix, u".").rowList, GetParam().rowList);
}

INSTANTIATE_TEST_SUITE_P(
    All, FindsRows,
    ::testing::Values(RowCase{"AllRows", Rows({kPositive, kPositive, kPositive}), u"1-й 2-й 3-й "},
                      RowCase{"FirstAndThird", Rows({kPositive, PositiveWith(2, -1), kPositive}), u"1-й 3-й "},
                      RowCase{"NoRows", Rows({PositiveWith(0, 0), PositiveWith(5, -7), kZeros}), u""},
                      RowCase{"ZeroFirst", Rows({PositiveWith(0, 0), kPositive, kPositive}), u"2-й 3-й "},
                      RowCase{"ZeroLast", Rows({kPositive, kPositive, PositiveWith(5, 0)}), u"1-й 2-й "},
                      RowCase{"NegativeZero", Rows({PositiveWith(3, -0.0), kPositive, kPositive}), u"2-й 3-й "},
                      RowCase{"TinyPositivesCount", Rows({kTinyPositives, kZeros, kZeros}), u"1-й "},
                      RowCase{"OnlySecond", Rows({PositiveWith(1, -1), kPositive, PositiveWith(4, -1)}), u"2-й "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FindPositiveRows, WritesStoredNumbersNotTypedItems) {
    Matrix matrix;
    ASSERT_TRUE(ReadMatrixEntry(u"007 1e2 abc  2.5 -0 &HFFFF 1 1 1 1 1 1e15 1e-15 0.1 1 1 1", matrix));
    const RowReport report = FindPositiveRows(matrix, u",");
    EXPECT_EQ(report.displayText, u"7 100 0 0 2,5 0 \r\n-1 1 1 1 1 1 \r\n1E+15 1E-15 0,1 1 1 1 \r\n");
    EXPECT_EQ(report.rowList, u"3-й ");
}

}  // namespace
}  // namespace mirvel
