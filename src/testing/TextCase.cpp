#include "TextCase.h"

#include <cstdint>

namespace {

// Small letter of a capital; any other code point is returned unchanged.
char32_t LowerLetter(char32_t c)
{
    if (c >= U'A' && c <= U'Z')
        return c + 0x20;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) // Latin-1 capitals except ×
        return c + 0x20;
    if (c >= 0x0410 && c <= 0x042F) // А..Я
        return c + 0x20;
    if (c >= 0x0400 && c <= 0x040F) // Ѐ..Џ: Ё, Ђ, Ѓ, Є, Ѕ, І, Ї, Ј, Љ, Њ, Ћ, Ќ, Ў, Џ
        return c + 0x50;
    // Historic and national letters come in capital/small pairs.
    if (((c >= 0x0460 && c <= 0x0481) || (c >= 0x048A && c <= 0x04BF)) && c % 2 == 0)
        return c + 1;
    if (c == 0x04C0)
        return 0x04CF;
    if (c >= 0x04C1 && c <= 0x04CE && c % 2 == 1)
        return c + 1;
    if (c >= 0x04D0 && c <= 0x04FF && c % 2 == 0)
        return c + 1;
    return c;
}

// The code point of the well-formed two-byte sequence at `i`, or 0 when
// there is none. Every letter with a case pair here lies in the two-byte
// range, and so does its small letter.
char32_t TwoByteCodePoint(std::string_view s, std::size_t i)
{
    if (i + 1 >= s.size())
        return 0;
    const auto lead = static_cast<std::uint8_t>(s[i]);
    const auto next = static_cast<std::uint8_t>(s[i + 1]);
    if ((lead & 0xE0) != 0xC0 || (next & 0xC0) != 0x80)
        return 0;
    return (char32_t(lead & 0x1F) << 6) | (next & 0x3F);
}

} // namespace

std::string LowerCaseText(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto byte = static_cast<std::uint8_t>(utf8[i]);
        if (byte < 0x80) {
            out += static_cast<char>(LowerLetter(byte));
            ++i;
            continue;
        }
        const char32_t cp = TwoByteCodePoint(utf8, i);
        if (cp == 0) { // longer sequences hold no letters of ours; copy bytes
            out += utf8[i++];
            continue;
        }
        const char32_t lower = LowerLetter(cp);
        out += static_cast<char>(0xC0 | (lower >> 6));
        out += static_cast<char>(0x80 | (lower & 0x3F));
        i += 2;
    }
    return out;
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b)
{
    return LowerCaseText(a) == LowerCaseText(b);
}
