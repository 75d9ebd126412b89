#include "Text.h"

#include <cctype>
#include <limits>

namespace {

int DigitValue(char c, int base)
{
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    return v < base ? v : -1;
}

// Skips leading blanks and takes an optional sign; returns where the
// digits start.
std::size_t SignStart(std::string_view text, bool& negative)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return i;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

std::int64_t ReadInt(std::string_view text)
{
    bool negative = false;
    std::size_t i = SignStart(text, negative);
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    // Accumulate as a negative number so that the most negative value fits.
    constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    std::int64_t acc = 0;
    bool saturated = false;
    for (; i < text.size(); ++i) {
        int d = DigitValue(text[i], base);
        if (d < 0)
            break;
        if (saturated)
            continue;
        if (acc < (lowest + d) / base) {
            saturated = true;
            acc = lowest;
            continue;
        }
        acc = acc * base - d;
    }
    if (negative)
        return acc;
    return acc == lowest ? std::numeric_limits<std::int64_t>::max() : -acc;
}

std::int64_t ReadFixedPoint(std::string_view text, int decimals)
{
    bool negative = false;
    std::size_t i = SignStart(text, negative);
    constexpr std::int64_t limit = std::numeric_limits<std::int64_t>::max() / 10;
    std::int64_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i)
        value = value < limit ? value * 10 + (text[i] - '0') : std::numeric_limits<std::int64_t>::max();
    if (i < text.size() && (text[i] == '.' || text[i] == ','))
        ++i;
    // The decimals wanted, from the fraction as far as it goes, then zeros.
    for (int d = 0; d < decimals; ++d) {
        const int digit = i < text.size() && IsDigit(text[i]) ? text[i++] - '0' : 0;
        value = value < limit ? value * 10 + digit : std::numeric_limits<std::int64_t>::max();
    }
    return negative ? -value : value;
}

std::string FormatInt(std::int64_t value, int width)
{
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, width - digits.size(), ' ');
    return digits;
}

std::string FormatFixed(std::int64_t scaled, int decimals, int width)
{
    const bool negative = scaled < 0;
    // Work on the magnitude as unsigned so the lowest value cannot overflow.
    std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
    std::string digits = std::to_string(magnitude);
    if (decimals > 0) {
        if (static_cast<int>(digits.size()) <= decimals)
            digits.insert(0, decimals + 1 - digits.size(), '0');
        digits.insert(digits.size() - decimals, ".");
    }
    if (negative)
        digits.insert(0, "-");
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, width - digits.size(), ' ');
    return digits;
}

std::string TwoDigits(int value)
{
    // Taken modulo 256 as an unsigned byte, as the stored bytes are.
    std::string text = FormatInt(static_cast<std::uint8_t>(value), 2);
    if (text[0] == ' ')
        text[0] = '0';
    return text;
}

std::string TimeText(int a, int b, int c)
{
    return TwoDigits(a) + ":" + TwoDigits(b) + ":" + TwoDigits(c);
}

std::string DateText(int a, int b, int year)
{
    return TwoDigits(a) + "-" + TwoDigits(b) + "-" + FormatInt(year, 4);
}
