#include "matrix/leading_number.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <charconv>
#include <cstdint>
#include <system_error>

namespace mirvel {
namespace {

// Space, TAB and LF: reading skips them wherever they stand.
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }

const char16_t* SkipBlanks(const char16_t* p, const char16_t* end) {
    while (p < end && IsBlank(*p)) ++p;
    return p;
}

// Steps over a sign and the blanks around it; true for a minus.
bool TakeSign(const char16_t*& p, const char16_t* end) {
    p = SkipBlanks(p, end);
    const bool negative = p < end && *p == u'-';
    if (p < end && (negative || *p == u'+')) p = SkipBlanks(p + 1, end);
    return negative;
}

unsigned DigitValue(char16_t c) { return static_cast<unsigned>(c) - u'0'; }  // above 9 for a non-digit

char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// &H and &O literals: up to 16 bits they are a signed 16-bit value, up to 32
// bits a signed 32-bit value; anything wider is out of range.
std::optional<double> ReadRadixLiteral(const char16_t* p, const char16_t* end, unsigned radix) {
    std::uint64_t value = 0;
    bool tooWide = false;
    for (; (p = SkipBlanks(p, end)) < end; ++p) {
        const char16_t c = LowerAscii(*p);
        const unsigned digit = DigitValue(c) <= 9 ? DigitValue(c) : (c >= u'a' && c <= u'f' ? c - u'a' + 10u : radix);
        if (digit >= radix) break;
        tooWide = tooWide || value > 0xFFFF'FFFFu;
        if (!tooWide) value = value * radix + digit;
    }
    if (tooWide || value > 0xFFFF'FFFFu) return std::nullopt;
    if (value <= 0xFFFFu) return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// A double's exact value has at most 767 significant digits, and the point
// halfway between two doubles (odd × 2^-1075 at the least) at most 768, as
// has either end of their range. A number cut after 768 digits, with a digit
// 1 put after them when any of the digits dropped was nonzero, lies strictly
// between the same two of those points as the whole number (or on the same
// one, when nothing nonzero was dropped), so it rounds alike.
constexpr std::size_t kKeptDigits = 768;

// Any kept digits times 10^100000 are past the largest double, and times
// 10^-100000 below the smallest: the exponent handed over is clamped to that
// without changing the value read. An exponent read from the item stops
// growing at 10^12, which no number of digits in memory can make up for.
constexpr std::int64_t kLargestExponentWritten = 100'000;
constexpr std::int64_t kLargestExponentRead = 1'000'000'000'000;

// The library reads a number of up to 19 digits times a power of ten up to
// 10^22 by one multiplication. An x87 unit, which GCC's 32-bit code leaves
// rounding to 64 bits, rounds that product twice (to 64 bits, then to 53),
// at times one unit off: 7091431314788835e5. While the library reads, the
// unit rounds to 53 bits, as for a double; elsewhere this does nothing.
struct RoundingAsDoubles {
#if defined(__GNUC__) && defined(__i386__) && FLT_EVAL_METHOD != 0
    unsigned short saved = 0;
    RoundingAsDoubles() {
        __asm__ volatile("fnstcw %0" : "=m"(saved));
        const auto doubles = static_cast<unsigned short>((saved & ~0x0300) | 0x0200);  // precision: 53 bits
        __asm__ volatile("fldcw %0" : : "m"(doubles));
    }
    ~RoundingAsDoubles() { __asm__ volatile("fldcw %0" : : "m"(saved)); }
#endif
};

// The exponent after its letter: "1e" and "1e+" have 0.
std::int64_t ReadExponent(const char16_t* p, const char16_t* end) {
    const bool negative = TakeSign(p, end);
    std::int64_t exponent = 0;
    for (; (p = SkipBlanks(p, end)) < end && DigitValue(*p) <= 9; ++p) {
        if (exponent < kLargestExponentRead) exponent = exponent * 10 + DigitValue(*p);
    }
    return negative ? -exponent : exponent;
}

// A decimal number in one pass: its significant digits are written out in
// ASCII, at most kKeptDigits of them and a sticky 1, then its exponent, and
// the library's correctly rounded reader makes the double of them.
std::optional<double> ReadDecimal(const char16_t* p, const char16_t* end) {
    const bool negative = TakeSign(p, end);
    const double zero = negative ? -0.0 : 0.0;
    // A sign, the digits, a sticky 1, and "e-100000".
    std::array<char, 1 + kKeptDigits + 1 + 8> text;
    text[0] = '-';
    char* const digits = text.data() + 1;
    std::size_t kept = 0;
    std::int64_t exponent = 0;  // of the last digit kept
    bool anyDigit = false, inFraction = false, droppedNonZero = false;
    for (; p < end; ++p) {
        const char16_t c = *p;
        if (DigitValue(c) <= 9) {
            anyDigit = true;
            if (kept == kKeptDigits) {
                droppedNonZero = droppedNonZero || c != u'0';
                if (!inFraction) ++exponent;
                continue;
            }
            if (kept != 0 || c != u'0') digits[kept++] = static_cast<char>(c);  // a leading zero is not significant
            if (inFraction) --exponent;
        } else if (c == u'.' && !inFraction) {
            inFraction = true;
        } else if (!IsBlank(c)) {
            break;
        }
    }
    if (!anyDigit) return 0.0;  // no number, or a sign or a full stop alone
    if (kept == 0) return zero;
    if (droppedNonZero) {
        digits[kept++] = '1';
        --exponent;
    }
    const char16_t letter = p < end ? LowerAscii(*p) : u'\0';
    if (letter == u'e' || letter == u'd') exponent += ReadExponent(p + 1, end);
    exponent = std::clamp(exponent, -kLargestExponentWritten, kLargestExponentWritten);
    char* textEnd = digits + kept;
    *textEnd++ = 'e';
    const std::to_chars_result written = std::to_chars(textEnd, text.data() + text.size(), exponent);
    if (written.ec != std::errc{}) return std::nullopt;  // a number not written in full is not read
    textEnd = written.ptr;

    double value = 0;
    [[maybe_unused]] const RoundingAsDoubles rounding;
    if (std::from_chars(negative ? text.data() : digits, textEnd, value).ec == std::errc{}) return value;
    // Out of range, on the side of its magnitude: too small reads as zero.
    if (static_cast<std::int64_t>(kept) + exponent > 0) return std::nullopt;
    return zero;
}

}  // namespace

std::optional<double> ReadLeadingNumber(std::u16string_view item) {
    const char16_t* const end = item.data() + item.size();
    const char16_t* p = SkipBlanks(item.data(), end);
    if (p == end || *p != u'&') return ReadDecimal(p, end);
    p = SkipBlanks(p + 1, end);
    const char16_t letter = p < end ? LowerAscii(*p) : u'\0';
    if (letter == u'h' || letter == u'o') return ReadRadixLiteral(p + 1, end, letter == u'h' ? 16 : 8);
    return 0.0;
}

}  // namespace mirvel
