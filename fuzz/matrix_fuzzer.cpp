// libFuzzer target: any entry text goes through ReadMatrixEntry and, when it
// is accepted, FindPositiveRows; every property the window relies on is
// checked against independent reckoning.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "matrix/matrix_search.h"

namespace {

using namespace mirvel;

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// The first byte chooses how the rest becomes UTF-16: as Latin-1 code units
// (dense in spaces, digits and signs) or as raw little-endian code units.
std::u16string EntryFrom(const std::uint8_t* data, std::size_t size) {
    std::u16string entry;
    if (size == 0) return entry;
    const bool rawUtf16 = (data[0] & 1) != 0;
    if (rawUtf16) {
        for (std::size_t i = 1; i + 1 < size; i += 2)
            entry.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    } else {
        for (std::size_t i = 1; i < size; ++i) entry.push_back(static_cast<char16_t>(data[i]));
    }
    return entry;
}

std::vector<std::u16string_view> SplitAtSpaces(std::u16string_view text) {
    std::vector<std::u16string_view> items;
    if (text.empty()) return items;
    for (std::size_t start = 0;;) {
        const std::size_t space = text.find(u' ', start);
        items.push_back(text.substr(start, space == text.npos ? text.npos : space - start));
        if (space == text.npos) return items;
        start = space + 1;
    }
}

// The value rounded to 15 significant digits, ties away from zero, from
// glibc's exact decimal expansion.
double RoundedTo15Digits(double value) {
    if (value == 0.0) return 0.0;
    char exact[1100];
    std::snprintf(exact, sizeof exact, "%.800e", std::fabs(value));
    std::string digits = std::string(1, exact[0]) + std::string(exact + 2, 14);
    const int exponent = std::atoi(std::strchr(exact, 'e') + 1);
    const bool up = exact[2 + 14] >= '5';
    std::string text = digits.substr(0, 1) + "." + digits.substr(1) + "e" + std::to_string(exponent);
    double rounded = std::strtod(text.c_str(), nullptr);
    if (up) {
        // Add one unit in the 15th digit, in decimal, then read it again.
        int i = 14;
        while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9') digits[static_cast<std::size_t>(i--)] = '0';
        int carried = exponent;
        if (i < 0) {
            digits.insert(digits.begin(), '1');
            digits.pop_back();
            ++carried;
        } else {
            ++digits[static_cast<std::size_t>(i)];
        }
        text = digits.substr(0, 1) + "." + digits.substr(1) + "e" + std::to_string(carried);
        rounded = std::strtod(text.c_str(), nullptr);
    }
    return value < 0 ? -rounded : rounded;
}

std::u16string WithFullStop(std::u16string_view text, std::u16string_view separator) {
    std::u16string result(text);
    if (const std::size_t at = result.find(separator); at != result.npos) result.replace(at, separator.size(), u".");
    return result;
}

void CheckDisplay(const Matrix& matrix, const RowReport& report, std::u16string_view separator) {
    std::u16string_view text = report.displayText;
    for (int row = 1; row <= Matrix::kRows; ++row) {
        const std::size_t end = text.find(u"\r\n");
        Require(end != text.npos, "every line ends with CR LF");
        const std::u16string_view line = text.substr(0, end);
        text.remove_prefix(end + 2);
        Require(!line.empty() && line.back() == u' ', "every number is followed by a space");
        const auto numbers = SplitAtSpaces(line.substr(0, line.size() - 1));
        Require(numbers.size() == Matrix::kColumns, "six numbers a line");
        for (int column = 1; column <= Matrix::kColumns; ++column) {
            const std::u16string_view number = numbers[static_cast<std::size_t>(column - 1)];
            Require(!number.empty(), "no empty number");
            const auto readBack = ReadLeadingNumber(WithFullStop(number, separator));
            const double expected = RoundedTo15Digits(matrix(row, column));
            if (std::isinf(expected)) {
                // Near the largest double, 15 digits round past it: such a
                // number is shown, but cannot be typed back.
                Require(!readBack.has_value(), "a number rounded past the largest double reads as out of range");
            } else {
                Require(readBack == expected, "a shown number reads back as the stored one rounded to 15 digits");
            }
        }
    }
    Require(text.empty(), "exactly three lines");

    std::u16string expectedRows;
    for (int row = 1; row <= Matrix::kRows; ++row) {
        bool allPositive = true;
        for (int column = 1; column <= Matrix::kColumns; ++column) allPositive = allPositive && matrix(row, column) > 0;
        if (allPositive) expectedRows += static_cast<char16_t>(u'0' + row) + std::u16string(u"-й ");
    }
    Require(report.rowList == expectedRows, "the row list names exactly the all-positive rows, ascending");
}

// An item that is a plain decimal number and nothing else, as ASCII for
// glibc's strtod, which rounds correctly; empty for any other item.
std::string PlainDecimal(std::u16string_view item) {
    std::string text;
    for (const char16_t c : item) {
        const bool allowed = (c >= u'0' && c <= u'9') || c == u'.' || c == u'-' || c == u'+' || c == u'e' || c == u'E';
        if (!allowed) return {};
        text.push_back(static_cast<char>(c));
    }
    char* end = nullptr;
    std::strtod(text.c_str(), &end);
    const bool whole = !text.empty() && end == text.c_str() + text.size() && text.find_first_of("0123456789") < 2;
    return whole ? text : std::string();
}

// A plain decimal item reads as strtod's value, an overflow as out of range
// and an underflow as a zero of its sign.
void CheckAgainstStrtod(std::u16string_view item) {
    const std::string text = PlainDecimal(item);
    if (text.empty()) return;
    errno = 0;
    const double expected = std::strtod(text.c_str(), nullptr);
    const std::optional<double> actual = ReadLeadingNumber(item);
    if (std::isinf(expected)) {
        Require(!actual.has_value(), "a decimal past the largest double is out of range");
        return;
    }
    Require(actual.has_value(), "a decimal within range is read");
    Require(std::memcmp(&*actual, &expected, sizeof(double)) == 0, "a decimal reads as the nearest double");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string entry = EntryFrom(data, size);

    Matrix matrix;
    for (int row = 1; row <= Matrix::kRows; ++row)
        for (int column = 1; column <= Matrix::kColumns; ++column) matrix(row, column) = 1000 + row * 10 + column;
    const Matrix before = matrix;

    const auto items = SplitAtSpaces(entry);
    bool allInRange = true;
    for (const auto item : items) {
        allInRange = allInRange && ReadLeadingNumber(item).has_value();
        CheckAgainstStrtod(item);
    }
    const bool shouldRead = items.size() == Matrix::kCells && allInRange;

    const bool read = ReadMatrixEntry(entry, matrix);
    Require(read == shouldRead, "accepted exactly when there are 18 items, all in range");
    if (!read) {
        Require(matrix == before, "a rejected entry leaves the matrix as it was");
        return 0;
    }
    for (int k = 0; k < Matrix::kCells; ++k) {
        const double stored = matrix(k / 6 + 1, k % 6 + 1);
        Require(std::isfinite(stored), "only finite numbers are stored");
        Require(stored == *ReadLeadingNumber(items[static_cast<std::size_t>(k)]), "item k fills cell k, row by row");
    }
    for (const std::u16string_view separator : {u".", u","})
        CheckDisplay(matrix, FindPositiveRows(matrix, separator), separator);
    return 0;
}
