#pragma once
// Windows-1251 is the code page of every text file the program reads or
// writes; inside the program texts are UTF-8.
#include <string>
#include <string_view>

// UTF-8 to Windows-1251. Characters the code page lacks, and malformed
// UTF-8, become '?'.
std::string ToCp1251(std::string_view utf8);
// Windows-1251 to UTF-8; every byte has a character.
std::string FromCp1251(std::string_view bytes);
