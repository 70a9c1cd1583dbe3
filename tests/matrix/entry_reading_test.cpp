#include "matrix/entry_reading.h"

#include <gtest/gtest.h>

#include <string>

namespace mirvel {
namespace {

std::u16string Join(int count, std::u16string_view item) {
    std::u16string entry;
    for (int i = 0; i < count; ++i) {
        if (i > 0) entry.push_back(u' ');
        entry.append(item);
    }
    return entry;
}

std::u16string OneToEighteen() { return u"1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18"; }

Matrix Sentinel() {
    Matrix matrix;
    for (int row = 1; row <= Matrix::kRows; ++row)
        for (int column = 1; column <= Matrix::kColumns; ++column) matrix(row, column) = -1000.0 - row * 10 - column;
    return matrix;
}

struct RejectedCase {
    const char* name;
    std::u16string entry;
};

class RejectsEntry : public ::testing::TestWithParam<RejectedCase> {};

TEST_P(RejectsEntry, AndLeavesTheMatrixAsItWas) {
    Matrix matrix = Sentinel();
    EXPECT_FALSE(ReadMatrixEntry(GetParam().entry, matrix));
    EXPECT_EQ(matrix, Sentinel());
}

INSTANTIATE_TEST_SUITE_P(
    All, RejectsEntry,
    ::testing::Values(
        RejectedCase{"Empty", u""}, RejectedCase{"Placeholder", u"(Введите матрицу размером 6x3 - 18 элементов)"},
        RejectedCase{"Seventeen", Join(17, u"1")}, RejectedCase{"Nineteen", Join(19, u"1")},
        RejectedCase{"TrailingSpaceMakesNineteen", OneToEighteen() + u" "},
        RejectedCase{"LeadingSpaceMakesNineteen", u" " + OneToEighteen()},
        RejectedCase{"DoubleSpaceMakesNineteen", u"1  2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18"},
        RejectedCase{"TabsDoNotSeparate", u"1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t13\t14\t15\t16\t17\t18"},
        RejectedCase{"NorCommasOrSemicolons", Join(6, u"1,2;3")},
        RejectedCase{"NorLineFeedsOrNoBreakSpaces", Join(6, u"1\n2\u00A03")}, RejectedCase{"OneSpace", u" "},
        RejectedCase{"OverflowInFirstItem", u"1e400" + Join(17, u"1").insert(0, u" ")},
        RejectedCase{"OverflowInLastItem", Join(17, u"1") + u" -1e999"},
        RejectedCase{"HexWiderThan32Bits", Join(17, u"1") + u" &H123456789"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadMatrixEntry, ReadsEveryItemByTheLeadingNumberRule) {
    Matrix matrix = Sentinel();
    // Row by row; empty items first, between and last read as zeros.
    ASSERT_TRUE(ReadMatrixEntry(u" 1e2 abc  12abc 1,5 -2.5 &H1F \t4 5- .5 +6 x x x x 007 ", matrix));
    const double expected[] = {0, 100, 0, 0, 12, 1, -2.5, 31, 4, 5, 0.5, 6, 0, 0, 0, 0, 7, 0};
    for (int k = 0; k < Matrix::kCells; ++k) EXPECT_EQ(matrix(k / 6 + 1, k % 6 + 1), expected[k]) << "item " << k;
}

}  // namespace
}  // namespace mirvel
