#pragma once
// Bank 2 kept in a file across runs, as the instrument's EEPROM keeps it.
// The file is text: the line "kavrel-sim bank 2", then 256 lines "address
// value" for addresses 0 to 255 in order (values 0..65535), then "end".
// It is replaced as one step (temporary file, sync, rename), so a run
// killed while saving leaves the old bank or the new one, never a mix; a
// file without its "end" line is refused, never half loaded.
#include <array>
#include <cstdint>
#include <string>

using TBank2 = std::array<std::int32_t, 256>;

std::string FormatBank2(const TBank2& words);
// False, with the reason, unless `text` is a whole bank in the format above.
bool ParseBank2(const std::string& text, TBank2& words, std::string& error);

enum class TStateLoad { Loaded, Missing, Damaged };
// Missing when there is no file; Damaged (with the reason) when it cannot
// be read or is not a whole bank.
TStateLoad LoadBank2(const std::string& path, TBank2& words, std::string& error);
// False, with the reason, when the bank could not be saved; the old file
// then stays as it was.
bool SaveBank2(const std::string& path, const TBank2& words, std::string& error);
