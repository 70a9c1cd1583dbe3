#include "matrix/leading_number.h"

#include <charconv>
#include <cstdint>
#include <string>
#include <system_error>

namespace mirvel {
namespace {

// Walks an item while skipping the characters that reading ignores.
class ItemCursor {
public:
    explicit ItemCursor(std::u16string_view item) : item_(item) { SkipIgnorable(); }

    [[nodiscard]] char16_t Peek() const { return position_ < item_.size() ? item_[position_] : u'\0'; }

    void Advance() {
        ++position_;
        SkipIgnorable();
    }

    bool Accept(char16_t lower) {
        if (ToLowerAscii(Peek()) != lower) return false;
        Advance();
        return true;
    }

    static char16_t ToLowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? c + (u'a' - u'A') : c; }

private:
    void SkipIgnorable() {
        while (position_ < item_.size() && IsIgnorable(item_[position_])) ++position_;
    }

    static bool IsIgnorable(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }

    std::u16string_view item_;
    std::size_t position_ = 0;
};

bool IsDecimalDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int RadixDigitValue(char16_t c, int radix) {
    int value = -1;
    const char16_t lower = ItemCursor::ToLowerAscii(c);
    if (IsDecimalDigit(c))
        value = c - u'0';
    else if (lower >= u'a' && lower <= u'f')
        value = lower - u'a' + 10;
    return value < radix ? value : -1;
}

// &H and &O literals: up to 16 bits they are a signed 16-bit value, up to 32
// bits a signed 32-bit value; anything wider is out of range.
std::optional<double> ReadRadixLiteral(ItemCursor& cursor, int radix) {
    std::uint64_t value = 0;
    bool tooWide = false;
    for (int digit; (digit = RadixDigitValue(cursor.Peek(), radix)) >= 0; cursor.Advance()) {
        if (value > 0xFFFFFFFFu)
            tooWide = true;
        else
            value = value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(digit);
    }
    if (tooWide || value > 0xFFFFFFFFu) return std::nullopt;
    if (value <= 0xFFFFu) return static_cast<double>(static_cast<std::int16_t>(static_cast<std::uint16_t>(value)));
    return static_cast<double>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

// Copies the decimal number under the cursor into plain ASCII that
// std::from_chars reads exactly and independently of any locale, and keeps
// the decimal exponent of its first significant digit so that an
// out-of-range result can be told apart as overflow or underflow.
struct DecimalText {
    std::string text;
    std::int64_t leadingExponent = 0;  // decimal exponent of the first non-zero digit
    bool hasNonZeroDigit = false;
};

constexpr std::int64_t kExponentCap = 1'000'000'000;

void CollectIntegerDigits(ItemCursor& cursor, DecimalText& number) {
    for (; IsDecimalDigit(cursor.Peek()); cursor.Advance()) {
        const char16_t digit = cursor.Peek();
        number.text.push_back(static_cast<char>(digit));
        if (number.hasNonZeroDigit) {
            ++number.leadingExponent;
        } else if (digit != u'0') {
            number.hasNonZeroDigit = true;
            number.leadingExponent = 0;
        }
    }
}

void CollectFractionDigits(ItemCursor& cursor, DecimalText& number) {
    std::int64_t exponent = 0;
    for (; IsDecimalDigit(cursor.Peek()); cursor.Advance()) {
        const char16_t digit = cursor.Peek();
        number.text.push_back(static_cast<char>(digit));
        --exponent;
        if (!number.hasNonZeroDigit && digit != u'0') {
            number.hasNonZeroDigit = true;
            number.leadingExponent = exponent;
        }
    }
}

std::int64_t CollectExponent(ItemCursor& cursor, std::string& text) {
    const std::size_t mark = text.size();
    text.push_back('e');
    bool negative = false;
    if (cursor.Peek() == u'+' || cursor.Peek() == u'-') {
        negative = cursor.Peek() == u'-';
        text.push_back(static_cast<char>(cursor.Peek()));
        cursor.Advance();
    }
    if (!IsDecimalDigit(cursor.Peek())) {
        text.resize(mark);  // "1e" and "1e+" read as exponent 0
        return 0;
    }
    std::int64_t exponent = 0;
    for (; IsDecimalDigit(cursor.Peek()); cursor.Advance()) {
        text.push_back(static_cast<char>(cursor.Peek()));
        if (exponent < kExponentCap) exponent = exponent * 10 + (cursor.Peek() - u'0');
    }
    return negative ? -exponent : exponent;
}

std::optional<double> ReadDecimal(ItemCursor& cursor) {
    DecimalText number;
    if (cursor.Peek() == u'+' || cursor.Peek() == u'-') {
        if (cursor.Peek() == u'-') number.text.push_back('-');
        cursor.Advance();
    }
    const std::size_t signLength = number.text.size();
    CollectIntegerDigits(cursor, number);
    std::size_t digitCount = number.text.size() - signLength;
    if (cursor.Peek() == u'.') {
        number.text.push_back('.');
        cursor.Advance();
        const std::size_t fractionStart = number.text.size();
        CollectFractionDigits(cursor, number);
        digitCount += number.text.size() - fractionStart;
    }
    if (digitCount == 0) return 0.0;  // a sign or a full stop alone is no number
    if (cursor.Accept(u'e') || cursor.Accept(u'd')) number.leadingExponent += CollectExponent(cursor, number.text);

    double value = 0.0;
    const char* first = number.text.data();
    const char* last = first + number.text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error == std::errc::result_out_of_range) {
        if (number.leadingExponent > 0) return std::nullopt;
        return number.text.front() == '-' ? -0.0 : 0.0;
    }
    return value;
}

}  // namespace

std::optional<double> ReadLeadingNumber(std::u16string_view item) {
    ItemCursor cursor(item);
    if (cursor.Peek() == u'&') {
        cursor.Advance();
        if (cursor.Accept(u'h')) return ReadRadixLiteral(cursor, 16);
        if (cursor.Accept(u'o')) return ReadRadixLiteral(cursor, 8);
        return 0.0;
    }
    return ReadDecimal(cursor);
}

}  // namespace mirvel
