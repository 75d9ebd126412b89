#pragma once
// Case-insensitive comparison of names typed by the operator.
#include <string>
#include <string_view>

// The text with every Latin and Cyrillic capital letter (Ё, Ґ, Ї, Є, І, Ў
// and the other letters of the Cyrillic block included) replaced by its
// small letter; everything else is kept as it is. Input and output are
// UTF-8; malformed sequences are kept byte for byte.
std::string LowerCaseText(std::string_view utf8);

// True when the two texts are equal apart from letter case: "иванов"
// equals "ИВАНОВ", "Ёлкин" equals "ёЛКИН".
bool SameTextIgnoringCase(std::string_view a, std::string_view b);
