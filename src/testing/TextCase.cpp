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

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of the well-formed two- or three-byte sequence at `i`, or 0.
std::size_t SequenceLength(std::string_view s, std::size_t i)
{
    const auto lead = static_cast<std::uint8_t>(s[i]);
    std::size_t n = 0;
    if ((lead & 0xE0) == 0xC0)
        n = 2;
    else if ((lead & 0xF0) == 0xE0)
        n = 3;
    else
        return 0;
    if (i + n > s.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<std::uint8_t>(s[i + k]) & 0xC0) != 0x80)
            return 0;
    return n;
}

} // namespace

std::string LowerCaseText(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<std::uint8_t>(utf8[i]);
        if (lead < 0x80) {
            out += static_cast<char>(LowerLetter(lead));
            ++i;
            continue;
        }
        const std::size_t n = SequenceLength(utf8, i);
        if (n == 0) { // four-byte or malformed: no letters of ours there
            out += utf8[i++];
            continue;
        }
        char32_t cp = (n == 2) ? (lead & 0x1F) : (lead & 0x0F);
        for (std::size_t k = 1; k < n; ++k)
            cp = (cp << 6) | (static_cast<std::uint8_t>(utf8[i + k]) & 0x3F);
        const char32_t lower = LowerLetter(cp);
        if (lower == cp)
            out.append(utf8.substr(i, n));
        else
            AppendUtf8(out, lower);
        i += n;
    }
    return out;
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b)
{
    return LowerCaseText(a) == LowerCaseText(b);
}
