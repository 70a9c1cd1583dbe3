#include "matrix/leading_number.h"

#include <cstdint>
#include <string>

#include "matrix/decimal_to_double.h"

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

    static char16_t ToLowerAscii(char16_t c) {
        return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
    }

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

// The digits of the decimal number under the cursor, as significant digits
// and a power of ten. Only as many digits are kept as correct rounding
// needs, so an item of any length is read in one pass and little memory.
struct DecimalDigits {
    std::string significant;    // no leading zeros
    std::int64_t exponent = 0;  // value = significant × 10^exponent
    bool droppedNonZero = false;
    std::size_t digitCount = 0;  // every digit seen, zeros too

    void Add(char16_t digit, bool inFraction) {
        ++digitCount;
        if (significant.empty() && digit == u'0') {
            if (inFraction) --exponent;
            return;
        }
        if (significant.size() < kSignificantDigitsKept) {
            significant.push_back(static_cast<char>(digit));
            if (inFraction) --exponent;
        } else {
            if (!inFraction) ++exponent;
            droppedNonZero = droppedNonZero || digit != u'0';
        }
    }
};

constexpr std::int64_t kExponentCap = 1'000'000'000;

std::int64_t ReadExponent(ItemCursor& cursor) {
    bool negative = false;
    if (cursor.Peek() == u'+' || cursor.Peek() == u'-') {
        negative = cursor.Peek() == u'-';
        cursor.Advance();
    }
    std::int64_t exponent = 0;  // "1e" and "1e+" read as exponent 0
    for (; IsDecimalDigit(cursor.Peek()); cursor.Advance()) {
        if (exponent < kExponentCap) exponent = exponent * 10 + (cursor.Peek() - u'0');
    }
    return negative ? -exponent : exponent;
}

std::optional<double> ReadDecimal(ItemCursor& cursor) {
    bool negative = false;
    if (cursor.Peek() == u'+' || cursor.Peek() == u'-') {
        negative = cursor.Peek() == u'-';
        cursor.Advance();
    }
    DecimalDigits number;
    for (; IsDecimalDigit(cursor.Peek()); cursor.Advance()) number.Add(cursor.Peek(), false);
    if (cursor.Peek() == u'.') {
        cursor.Advance();
        for (; IsDecimalDigit(cursor.Peek()); cursor.Advance()) number.Add(cursor.Peek(), true);
    }
    if (number.digitCount == 0) return 0.0;  // a sign or a full stop alone is no number
    if (cursor.Accept(u'e') || cursor.Accept(u'd')) number.exponent += ReadExponent(cursor);
    if (number.droppedNonZero) {
        // Stands for the dropped digits: it keeps the value off every
        // rounding boundary the kept digits could sit on.
        number.significant.push_back('1');
        --number.exponent;
    }
    const std::optional<double> magnitude = DecimalToDouble(number.significant, number.exponent);
    if (!magnitude) return std::nullopt;
    return negative ? -*magnitude : *magnitude;
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
