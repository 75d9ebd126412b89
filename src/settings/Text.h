#pragma once
// Number reading and formatting used by every window and file of the program.
#include <cstdint>
#include <string>
#include <string_view>

// Reads an integer the forgiving way typed values are read everywhere:
// leading blanks are skipped, an optional sign is taken, then decimal digits
// ("$" or "0x" before the digits means hexadecimal). Reading stops at the
// first other character and keeps what was read; empty text reads as 0.
// Never throws; values beyond 64 bits saturate.
std::int64_t ReadInt(std::string_view text);

// Reads a number with an optional fraction the same forgiving way: leading
// blanks, an optional sign, decimal digits, then "." or "," and the
// fraction's digits; reading stops at the first other character. Returns
// the number times 10^decimals, the rest of the fraction cut off (toward
// zero): ReadFixedPoint("12.57", 1) == 125. Empty text reads as 0; values
// beyond 64 bits saturate.
std::int64_t ReadFixedPoint(std::string_view text, int decimals);

// The integer right-aligned in `width` characters, padded with blanks; a
// value wider than the field is written in full, never cut.
std::string FormatInt(std::int64_t value, int width);

// A fixed-point value: `scaled` holds the number times 10^decimals, written
// with exactly `decimals` digits after a point, right-aligned in `width`
// characters and never cut. FormatFixed(135, 3, 5) == "0.135".
std::string FormatFixed(std::int64_t scaled, int decimals, int width);

// The number modulo 256 in two characters, a leading blank replaced by "0".
std::string TwoDigits(int value);
// TwoDigits(a) + ":" + TwoDigits(b) + ":" + TwoDigits(c).
std::string TimeText(int a, int b, int c);
// TwoDigits(a) + "-" + TwoDigits(b) + "-" + year right-aligned in 4 characters.
std::string DateText(int a, int b, int year);
