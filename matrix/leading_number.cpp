#include "matrix/leading_number.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
#include <cstdint>
#include <cstring>
#include <string_view>

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

    [[nodiscard]] std::size_t Position() const { return position_; }

    bool Accept(char16_t lower) {
        if (ToLowerAscii(Peek()) != lower) return false;
        Advance();
        return true;
    }

    static char16_t ToLowerAscii(char16_t c) {
        return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
    }

    // Space, TAB or LF, in one test.
    static bool IsIgnorable(char16_t c) {
        constexpr std::uint64_t kIgnorable = (std::uint64_t{1} << u' ') | (std::uint64_t{1} << u'\t') | (std::uint64_t{1} << u'\n');
        return c <= u' ' && ((kIgnorable >> c) & 1) != 0;
    }

private:
    void SkipIgnorable() {
        while (position_ < item_.size() && IsIgnorable(item_[position_])) ++position_;
    }

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

// A decimal number as the quick conversion takes it: its first 19
// significant digits, the power of ten of the last of them, and whether any
// later digit is nonzero. One pass, however long the number.
struct LeadingDigits {
    std::uint64_t value = 0;
    int count = 0;              // significant digits in value
    std::int64_t exponent = 0;  // the number is about value × 10^exponent
    bool cut = false;           // a nonzero digit after them
    std::size_t digitCount = 0;  // every digit seen, zeros too
};

unsigned DigitValue(char16_t c) { return static_cast<unsigned>(c) - u'0'; }  // above 9 for a non-digit

// Taking digits several at a time pays only where 64-bit multiplication is
// one instruction.
constexpr bool kWideRegisters = sizeof(void*) >= 8;

// Four UTF-16 characters from p on, as one 64-bit word (the first in the
// low bits), for taking digits four at a time.
std::uint64_t FourCharacters(const char16_t* p) {
    std::uint64_t word = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&word, p, sizeof(word));
    } else {
        for (int i = 3; i >= 0; --i) word = (word << 16) | p[i];
    }
    return word;
}

bool AreFourDigits(std::uint64_t word) {
    constexpr std::uint64_t kHigh = 0xFFF0'FFF0'FFF0'FFF0u, kZeros = 0x0030'0030'0030'0030u;
    // Each character from 0x30 to 0x39: its top bits say 0x003, and adding 6
    // leaves them so. (A character of 0xFFFA and up fails the first test.)
    return (word & kHigh) == kZeros && ((word + 0x0006'0006'0006'0006u) & kHigh) == kZeros;
}

// The value of four digit characters.
std::uint64_t ValueOfFourDigits(std::uint64_t word) {
    word -= 0x0030'0030'0030'0030u;
    // Each pair's 16-bit halves d0 (low) and d1 become 10 d0 + d1 ...
    word = ((word * (1 + (std::uint64_t{10} << 16))) >> 16) & 0x0000'FFFF'0000'FFFFu;
    // ... and the two pairs 100 (10 d0 + d1) + (10 d2 + d3).
    return (word & 0xFFFF'FFFFu) * 100 + (word >> 32);
}

// The position of the first character from position on that reading does
// not skip.
std::size_t SkipIgnorable(std::u16string_view item, std::size_t position) {
    while (position < item.size() && ItemCursor::IsIgnorable(item[position])) ++position;
    return position;
}

// Digits from p on, but not from limit on, as one number, eight at a time
// where it can; returns the end of them.
const char16_t* ScanRun(const char16_t* p, const char16_t* limit, std::uint64_t& value) {
    while (kWideRegisters && limit - p >= 8) {
        const std::uint64_t first = FourCharacters(p), second = FourCharacters(p + 4);
        if (!AreFourDigits(first) || !AreFourDigits(second)) break;
        value = value * 100'000'000 + ValueOfFourDigits(first) * 10'000 + ValueOfFourDigits(second);
        p += 8;
    }
    for (unsigned digit = 0; p < limit && (digit = DigitValue(*p)) <= 9; ++p) value = value * 10 + digit;
    return p;
}

// Past the digits kept, a run of digits from p on only counts, and tells
// whether it holds anything but zeros; returns the end of it.
const char16_t* SkipRun(const char16_t* p, const char16_t* end, bool& nonzero) {
    std::uint64_t seen = 0;
    for (; end - p >= 4 && AreFourDigits(FourCharacters(p)); p += 4) seen |= FourCharacters(p) ^ 0x0030'0030'0030'0030u;
    for (; p < end && DigitValue(*p) <= 9; ++p) seen |= *p ^ u'0';
    nonzero = nonzero || seen != 0;
    return p;
}

// Reads digits from position on, skipping what reading ignores, up to the
// first other character; returns its position.
std::size_t ScanDigits(std::u16string_view item, std::size_t position, bool inFraction, LeadingDigits& number) {
    const char16_t* const text = item.data();
    const std::size_t size = item.size();
    // Up to the 19th significant digit each one counts, in runs between the
    // characters reading skips.
    while (number.count < kLeadingDigitsKept) {
        const std::size_t start = position;
        if (number.count == 0) {
            while (position < size && item[position] == u'0') ++position;
        }
        const std::size_t zeros = position - start;
        const std::size_t stop = std::min(size, position + static_cast<std::size_t>(kLeadingDigitsKept - number.count));
        position = static_cast<std::size_t>(ScanRun(text + position, text + stop, number.value) - text);
        number.count += static_cast<int>(position - start - zeros);
        number.digitCount += position - start;
        if (inFraction) number.exponent -= static_cast<std::int64_t>(position - start);
        if (number.count == kLeadingDigitsKept || position == size || !ItemCursor::IsIgnorable(item[position])) break;
        position = SkipIgnorable(item, position);
    }
    // Past them, the runs only count.
    while (number.count == kLeadingDigitsKept) {
        const std::size_t start = position;
        position = static_cast<std::size_t>(SkipRun(text + position, text + size, number.cut) - text);
        number.digitCount += position - start;
        if (!inFraction) number.exponent += static_cast<std::int64_t>(position - start);
        if (position == size || !ItemCursor::IsIgnorable(item[position])) break;
        position = SkipIgnorable(item, position);
    }
    return position;
}

// The usual number, read in one sweep: digits, perhaps a full stop and
// digits, with nothing skipped among them and at most 19 significant
// digits. False for any other, which ScanDigits then reads.
bool QuickScan(std::u16string_view item, std::size_t& position, LeadingDigits& number) {
    const char16_t* const begin = item.data() + position;
    const char16_t* const end = item.data() + item.size();
    // One digit past the 19 shows that there are too many.
    constexpr std::ptrdiff_t kEnough = kLeadingDigitsKept + 1;
    const char16_t* p = begin;
    while (p < end && *p == u'0') ++p;
    const char16_t* firstSignificant = p;
    std::uint64_t value = 0;
    p = ScanRun(p, end - p > kEnough ? p + kEnough : end, value);
    std::ptrdiff_t significant = p - firstSignificant;
    std::ptrdiff_t digits = p - begin;
    std::int64_t exponent = 0;
    if (p < end && *p == u'.') {
        const char16_t* const fraction = ++p;
        if (significant == 0) {
            while (p < end && *p == u'0') ++p;
            firstSignificant = p;
        }
        const std::ptrdiff_t room = kEnough - significant;
        p = ScanRun(p, end - p > room ? p + room : end, value);
        significant = significant == 0 ? p - firstSignificant : significant + (p - fraction);
        digits += p - fraction;
        exponent = -(p - fraction);
    }
    if (significant > kLeadingDigitsKept || (p < end && ItemCursor::IsIgnorable(*p))) return false;
    number = {value, static_cast<int>(significant), exponent, false, static_cast<std::size_t>(digits)};
    position = static_cast<std::size_t>(p - item.data());
    return true;
}

// All the digits correct rounding needs, for the rare number the quick
// conversion cannot decide: at most 800, no leading zeros, and a last digit
// 1 for any nonzero digits dropped after them.
struct SignificantDigits {
    std::array<char, kSignificantDigitsKept + 1> digits;
    std::size_t count = 0;
    std::int64_t exponent = 0;  // the number = digits × 10^exponent
    bool droppedNonZero = false;

    void Add(char16_t digit, bool inFraction) {
        if (count == 0 && digit == u'0') {
            if (inFraction) --exponent;
            return;
        }
        if (count < kSignificantDigitsKept) {
            digits[count++] = static_cast<char>(digit);
            if (inFraction) --exponent;
        } else {
            if (!inFraction) ++exponent;
            droppedNonZero = droppedNonZero || digit != u'0';
        }
    }

    [[nodiscard]] std::string_view Digits() const { return {digits.data(), count}; }
};

SignificantDigits ReadSignificantDigits(std::u16string_view digitsAndPoint) {
    SignificantDigits number;
    bool inFraction = false;
    for (const char16_t c : digitsAndPoint) {
        if (c == u'.')
            inFraction = true;
        else if (DigitValue(c) <= 9)
            number.Add(c, inFraction);
    }
    if (number.droppedNonZero) {
        number.digits[number.count++] = '1';
        --number.exponent;
    }
    return number;
}

constexpr std::int64_t kExponentCap = 1'000'000'000;

// The exponent after its letter, from position on: "1e" and "1e+" have 0.
std::int64_t ReadExponent(std::u16string_view item, std::size_t position) {
    position = SkipIgnorable(item, position);
    bool negative = false;
    if (position < item.size() && (item[position] == u'+' || item[position] == u'-')) {
        negative = item[position] == u'-';
        position = SkipIgnorable(item, position + 1);
    }
    std::int64_t exponent = 0;
    for (; position < item.size(); ++position) {
        const unsigned digit = DigitValue(item[position]);
        if (digit <= 9) {
            if (exponent < kExponentCap) exponent = exponent * 10 + digit;
        } else if (!ItemCursor::IsIgnorable(item[position])) {
            break;
        }
    }
    return negative ? -exponent : exponent;
}

// A decimal number from position (not an ignorable character) on.
// The rare numbers, kept out of the way of the usual ones: with more than 19
// significant digits or skipped characters among them, and those the quick
// conversion cannot decide. (A hint to the compiler; others ignore it.)
#if defined(__GNUC__)
#define MIRVEL_RARELY_TAKEN [[gnu::cold, gnu::noinline]]
#else
#define MIRVEL_RARELY_TAKEN
#endif

MIRVEL_RARELY_TAKEN std::size_t ScanDigitsCarefully(std::u16string_view item, std::size_t position,
                                                    LeadingDigits& number) {
    position = ScanDigits(item, position, false, number);
    if (position < item.size() && item[position] == u'.') position = ScanDigits(item, position + 1, true, number);
    return position;
}

MIRVEL_RARELY_TAKEN ConvertedDecimal ConvertAllDigits(std::u16string_view digitsAndPoint, std::int64_t exponent) {
    const SignificantDigits all = ReadSignificantDigits(digitsAndPoint);
    return DecimalToDouble(all.Digits(), all.exponent + exponent);
}

std::optional<double> ReadDecimal(std::u16string_view item, std::size_t position) {
    bool negative = false;
    if (position < item.size() && (item[position] == u'+' || item[position] == u'-')) {
        negative = item[position] == u'-';
        position = SkipIgnorable(item, position + 1);
    }
    const std::size_t start = position;
    LeadingDigits number;
    if (!QuickScan(item, position, number)) position = ScanDigitsCarefully(item, position, number);
    if (number.digitCount == 0) return 0.0;  // a sign or a full stop alone is no number
    const std::size_t end = position;
    std::int64_t exponent = 0;
    if (position < item.size()) {
        const char16_t letter = ItemCursor::ToLowerAscii(item[position]);
        if (letter == u'e' || letter == u'd') exponent = ReadExponent(item, position + 1);
    }

    ConvertedDecimal magnitude;
    if (!ConvertLeadingDigits(number.value, number.exponent + exponent, number.cut, magnitude))
        magnitude = ConvertAllDigits(item.substr(start, end - start), exponent);
#if FLT_EVAL_METHOD == 0
    if (!magnitude) return std::nullopt;
    return negative ? -*magnitude : *magnitude;
#else
    // Where doubles travel through the x87 unit, the value is kept as bits
    // and the sign goes on as one: loading a subnormal there costs a
    // microcode assist of some 100 ns.
    if (magnitude && negative) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &*magnitude, sizeof(bits));
        bits ^= std::uint64_t{1} << 63;
        std::memcpy(&*magnitude, &bits, sizeof(bits));
    }
    return magnitude;
#endif
}

}  // namespace

std::optional<double> ReadLeadingNumber(std::u16string_view item) {
    const std::size_t start = SkipIgnorable(item, 0);
    if (start == item.size() || item[start] != u'&') return ReadDecimal(item, start);
    ItemCursor cursor(item.substr(start + 1));
    if (cursor.Accept(u'h')) return ReadRadixLiteral(cursor, 16);
    if (cursor.Accept(u'o')) return ReadRadixLiteral(cursor, 8);
    return 0.0;
}

}  // namespace mirvel
