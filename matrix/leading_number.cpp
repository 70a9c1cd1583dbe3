#include "matrix/leading_number.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <system_error>

namespace mirvel {
namespace {

// Space, TAB and LF: reading skips them wherever they stand.
bool IsSkipped(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }

const char16_t* SkipSkipped(const char16_t* p, const char16_t* end) {
    while (p < end && IsSkipped(*p)) ++p;
    return p;
}

// Steps over a sign and what reading skips around it; true for a minus.
bool TakeSign(const char16_t*& p, const char16_t* end) {
    p = SkipSkipped(p, end);
    const bool negative = p < end && *p == u'-';
    if (p < end && (negative || *p == u'+')) p = SkipSkipped(p + 1, end);
    return negative;
}

unsigned DigitValue(char16_t c) { return static_cast<unsigned>(c) - u'0'; }  // above 9 for a non-digit

char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// Whether four UTF-16 characters, a 16-bit lane each, are all digits: each
// lane reads 0x003_, and still does with 6 added.
bool AreFourDigits(std::uint64_t lanes) {
    constexpr std::uint64_t kHigh = 0xFFF0'FFF0'FFF0'FFF0u, kZeros = 0x0030'0030'0030'0030u;
    return (lanes & kHigh) == kZeros && ((lanes + 0x0006'0006'0006'0006u) & kHigh) == kZeros;
}
std::uint64_t FourCharacters(const char16_t* p) {
    std::uint64_t lanes = 0;
    std::memcpy(&lanes, p, sizeof(lanes));
    return lanes;
}

// Steps over a run of digits, eight at a time where it can, noting whether
// any of them is not 0.
const char16_t* SkipDigits(const char16_t* p, const char16_t* end, bool& nonZero) {
    std::uint64_t seen = 0;
    for (; end - p >= 8; p += 8) {
        const std::uint64_t first = FourCharacters(p), second = FourCharacters(p + 4);
        if (!AreFourDigits(first) || !AreFourDigits(second)) break;
        seen |= first | second;
    }
    for (; p < end && DigitValue(*p) <= 9; ++p) seen |= *p;
    nonZero = nonZero || (seen & 0x000F'000F'000F'000Fu) != 0;
    return p;
}

// The four characters of one 64-bit word, as four bytes.
std::uint32_t PackedLowBytes(std::uint64_t lanes) {
    lanes = (lanes | (lanes >> 8)) & 0x0000'FFFF'0000'FFFFu;
    return static_cast<std::uint32_t>(lanes | (lanes >> 16));
}

// The longest number read plainly: past it, reading the digits twice (here
// and by the library) costs more than DecimalText.
constexpr std::size_t kLongestPlain = 128;

// Copies the characters as ASCII, any other one as a DEL (which no number
// holds), eight at a time while they are ASCII. (Not overlapping the last
// eight: a read that spans two writes in flight waits for both.)
void Narrow(const char16_t* p, std::size_t length, char* out) {
    std::size_t i = 0;
    for (; std::endian::native == std::endian::little && i + 8 <= length; i += 8) {
        const std::uint64_t first = FourCharacters(p + i), second = FourCharacters(p + i + 4);
        if (((first | second) & 0xFF80'FF80'FF80'FF80u) != 0) break;
        const std::uint64_t bytes = PackedLowBytes(first) | std::uint64_t{PackedLowBytes(second)} << 32;
        std::memcpy(out + i, &bytes, sizeof(bytes));
    }
    for (; i < length; ++i) out[i] = p[i] < 0x80 ? static_cast<char>(p[i]) : '\x7F';
}

// &H and &O literals: up to 16 bits they are a signed 16-bit value, up to 32
// bits a signed 32-bit value; anything wider is out of range.
std::optional<double> ReadRadixLiteral(const char16_t* p, const char16_t* end, unsigned radix) {
    std::uint64_t value = 0;
    bool tooWide = false;
    for (; (p = SkipSkipped(p, end)) < end; ++p) {
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
constexpr std::size_t kAllDigits = 768;
// Most numbers are decided by their first 19 digits, as many as the
// library's reader takes in one 64-bit integer.
constexpr std::size_t kQuickDigits = 19;

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

// Any kept digits times 10^100000 are past the largest double, and times
// 10^-100000 below the smallest: the exponent handed over is clamped to that
// without changing the value read. An exponent read from the item stops
// growing at 10^12, which no number of digits in memory can make up for.
constexpr std::int64_t kExponentWritten = 100'000;
constexpr std::int64_t kExponentRead = 1'000'000'000'000;

// What the library's reader made of a decimal: a double, or out of range on
// either side (too small reads as zero). The double is kept as its bits: on
// an x87 unit each load of a subnormal takes a microcode assist.
struct Converted {
    enum class Kind { Number, TooSmall, TooLarge } kind;
    std::uint64_t bits;

    friend bool operator==(const Converted&, const Converted&) = default;
    [[nodiscard]] std::optional<double> Read(bool negative) const {
        if (kind == Kind::TooLarge) return std::nullopt;
        if (kind == Kind::TooSmall) return negative ? -0.0 : 0.0;
        std::optional<double> value{0.0};
        std::memcpy(&*value, &bits, sizeof(bits));
        return value;
    }
};

// The significant digits of a decimal number as an item writes them, up to a
// number of them kept, written out again in ASCII for the library's
// correctly rounded reader.
class DecimalText {
public:
    explicit DecimalText(std::size_t capacity) : capacity_(capacity) {}

    // Reads digits with at most one full stop and what reading skips among
    // them, from p on; returns where they end.
    const char16_t* ReadMantissa(const char16_t* p, const char16_t* end);

    [[nodiscard]] bool HasDigits() const { return hasDigits_; }
    [[nodiscard]] bool DroppedNonZero() const { return droppedNonZero_; }
    // The number times 10^exponent, with a last digit 1 for the nonzero
    // digits dropped if sticky.
    Converted ToDouble(bool negative, std::int64_t exponent, bool sticky);
    void AddUnitInLastPlace();  // one more in the last digit kept

private:
    char* Digits() { return text_.data() + 1; }  // after a sign

    // A sign, the digits, a sticky 1, and "e-100000".
    std::array<char, 1 + kAllDigits + 1 + 8> text_;
    std::size_t capacity_;
    std::size_t kept_ = 0;
    std::int64_t exponent_ = 0;  // of the last digit kept
    bool hasDigits_ = false;
    bool droppedNonZero_ = false;
};

// The loops keep their state in locals: a char written may alias a member.
const char16_t* DecimalText::ReadMantissa(const char16_t* p, const char16_t* end) {
    char* const digits = Digits();
    std::size_t kept = 0;
    std::int64_t exponent = 0;
    bool inFraction = false, any = false, nonZero = false;
    for (;;) {
        const char16_t* const start = p;
        if (kept == 0) {  // leading zeros are not significant, but after the full stop they scale
            while (p < end && *p == u'0') ++p;
        }
        const char16_t* const keptEnd = p + std::min(static_cast<std::size_t>(end - p), capacity_ - kept);
        for (; p < keptEnd && DigitValue(*p) <= 9; ++p) digits[kept++] = static_cast<char>(*p);
        if (inFraction) exponent -= p - start;
        if (p == keptEnd && kept == capacity_) {
            const char16_t* const dropped = p;
            p = SkipDigits(p, end, nonZero);
            if (!inFraction) exponent += p - dropped;
        }
        any = any || p != start;
        p = SkipSkipped(p, end);
        if (p < end && *p == u'.' && !inFraction) {
            inFraction = true;
            p = SkipSkipped(p + 1, end);
        } else if (p == end || DigitValue(*p) > 9) {
            break;
        }
    }
    kept_ = kept;
    exponent_ = exponent;
    hasDigits_ = any;
    droppedNonZero_ = nonZero;
    return p;
}

Converted DecimalText::ToDouble(bool negative, std::int64_t exponent, bool sticky) {
    if (kept_ == 0) return {Converted::Kind::TooSmall, 0};  // zero, of its sign
    std::size_t digits = kept_;
    exponent += exponent_;
    if (sticky && droppedNonZero_) {
        Digits()[digits++] = '1';
        --exponent;
    }
    exponent = std::clamp(exponent, -kExponentWritten, kExponentWritten);
    text_[0] = '-';
    char* const begin = negative ? text_.data() : Digits();
    char* end = Digits() + digits;
    *end++ = 'e';
    end = std::to_chars(end, text_.data() + text_.size(), exponent).ptr;

    double value = 0;
    [[maybe_unused]] const RoundingAsDoubles rounding;
    if (std::from_chars(begin, end, value).ec == std::errc{})
        return {Converted::Kind::Number, std::bit_cast<std::uint64_t>(value)};
    // Out of range, on the side of its magnitude.
    const bool large = static_cast<std::int64_t>(digits) + exponent > 0;
    return {large ? Converted::Kind::TooLarge : Converted::Kind::TooSmall, 0};
}

void DecimalText::AddUnitInLastPlace() {
    char* digit = Digits() + kept_;
    while (digit != Digits() && digit[-1] == '9') *--digit = '0';
    if (digit == Digits()) ++exponent_;  // 99…9 and one more: 100…0, one place up
    ++*(digit == Digits() ? digit : digit - 1);
}

// The exponent after its letter: "1e" and "1e+" have 0.
std::int64_t ReadExponent(const char16_t* p, const char16_t* end) {
    const bool negative = TakeSign(p, end);
    std::int64_t exponent = 0;
    for (; (p = SkipSkipped(p, end)) < end && DigitValue(*p) <= 9; ++p) {
        if (exponent < kExponentRead) exponent = exponent * 10 + DigitValue(*p);
    }
    return negative ? -exponent : exponent;
}

// Whether reading may take the number on over this character.
bool MayContinue(char16_t c) {
    return DigitValue(c) <= 9 || c == u'.' || c == u'+' || c == u'-' || LowerAscii(c) == u'e' ||
           LowerAscii(c) == u'd' || IsSkipped(c);
}

// The usual number, from its first digit or full stop, up to 128 ASCII
// characters with nothing skipped among them, is handed to the library's
// reader as it stands, which reads it by the same rules. False, with nothing
// read, where reading may go on past where the library stopped (an exponent
// D, say), and out of range (DecimalText tells the side).
bool ReadPlainly(const char16_t* p, const char16_t* end, bool negative, std::optional<double>& value) {
    const std::size_t length = std::min(static_cast<std::size_t>(end - p), kLongestPlain);
    if (p + length < end && MayContinue(p[length])) return false;
    std::array<char, 1 + kLongestPlain> text;
    text[0] = '-';
    Narrow(p, length, text.data() + 1);
    const char* const textEnd = text.data() + 1 + length;
    [[maybe_unused]] const RoundingAsDoubles rounding;
    const auto [stop, error] = std::from_chars(negative ? text.data() : text.data() + 1, textEnd, value.emplace());
    return error == std::errc{} && (stop == textEnd || !MayContinue(static_cast<unsigned char>(*stop)));
}

std::optional<double> ReadDecimal(const char16_t* p, const char16_t* end) {
    const bool negative = TakeSign(p, end);
    if (p == end || (DigitValue(*p) > 9 && *p != u'.')) return 0.0;  // no number
    if (std::optional<double> plain; ReadPlainly(p, end, negative, plain)) return plain;

    const char16_t* const mantissa = p;
    DecimalText quick(kQuickDigits);
    p = quick.ReadMantissa(mantissa, end);
    if (!quick.HasDigits()) return 0.0;  // a sign or a full stop alone is no number
    const char16_t letter = p < end ? LowerAscii(*p) : u'\0';
    const std::int64_t exponent = letter == u'e' || letter == u'd' ? ReadExponent(p + 1, end) : 0;
    // A number cut after its first digits lies between them and them plus
    // one in their last place: when both ends round alike, so does it.
    const Converted lower = quick.ToDouble(negative, exponent, false);
    if (!quick.DroppedNonZero()) return lower.Read(negative);
    quick.AddUnitInLastPlace();
    if (quick.ToDouble(negative, exponent, false) == lower) return lower.Read(negative);
    // Otherwise (about one number in a thousand) all the digits decide.
    DecimalText all(kAllDigits);
    all.ReadMantissa(mantissa, end);
    return all.ToDouble(negative, exponent, true).Read(negative);
}

}  // namespace

std::optional<double> ReadLeadingNumber(std::u16string_view item) {
    const char16_t* const end = item.data() + item.size();
    const char16_t* p = SkipSkipped(item.data(), end);
    if (p == end || *p != u'&') return ReadDecimal(p, end);
    p = SkipSkipped(p + 1, end);
    const char16_t letter = p < end ? LowerAscii(*p) : u'\0';
    if (letter == u'h' || letter == u'o') return ReadRadixLiteral(p + 1, end, letter == u'h' ? 16 : 8);
    return 0.0;
}

}  // namespace mirvel
