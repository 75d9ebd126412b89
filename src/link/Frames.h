#pragma once
// Byte format spoken with the instrument. The program sends read, write and
// mode-switch frames; the instrument answers every read and write frame with
// exactly five bytes: letter, bank, address, value high byte, value low byte.
#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr std::uint8_t LetterRead = 0x3A;   // ':'
inline constexpr std::uint8_t LetterWrite = 0x45;  // 'E'
inline constexpr std::uint8_t LetterEnd = 0;       // ends a command list
inline constexpr std::uint8_t FrameClose = 0x80;   // closes every read and write frame
inline constexpr std::uint8_t ModeDigitStart = 0x32;  // '2': start a test
inline constexpr std::uint8_t ModeDigitStop = 0x33;   // '3': stop it

inline constexpr int ReadFrameLength = 4;
inline constexpr int WriteFrameLength = 6;
inline constexpr int ModeFrameLength = 2;
inline constexpr int ReplyLength = 5;
inline constexpr int CommandItemSize = 7;

// One item of a command list: letter (':' read, 'E' write, 0 end), bank,
// address, then 0x80 for a read, or value high byte, low byte and 0x80 for a
// write. The first four (read) or six (write) bytes are the frame sent; the
// seventh byte is unused.
using TCommandItem = std::array<std::uint8_t, CommandItemSize>;

// The read item ':' bank address 0x80.
TCommandItem ReadItem(std::uint8_t bank, std::uint8_t address);

// The write item 'E' bank address high low 0x80. The high byte is value div
// 256 and the low byte its lowest eight bits (values are 0..65535).
TCommandItem WriteItem(std::uint8_t bank, std::uint8_t address, std::int32_t value);

// Bytes sent for an item or frame starting with `letter`: 4 for ':', 6 for
// 'E', 0 for anything else.
int FrameLength(std::uint8_t letter);

// The two-byte mode switch: ':' '2' (start a test) or ':' '3' (stop it).
std::array<std::uint8_t, ModeFrameLength> ModeSwitchFrame(bool start);

// The value a reply carries: byte 3 * 256 + byte 4, both unsigned.
inline std::int32_t ReplyValue(const std::uint8_t* reply) { return reply[3] * 256 + reply[4]; }

// The five reply bytes letter, bank, address, value high, value low.
std::array<std::uint8_t, ReplyLength> MakeReply(std::uint8_t letter, std::uint8_t bank,
                                                std::uint8_t address, std::int32_t value);

// A command frame recognised at the start of a byte run (the instrument's
// side of the line, tests and the simulator).
struct TFrame {
    enum Kind { Incomplete, Read, Write, ModeSwitch, Unknown };
    Kind kind = Incomplete;
    std::size_t length = 0;     // bytes the frame takes (1 for Unknown: skip a byte)
    std::uint8_t bank = 0;
    std::uint8_t address = 0;
    std::int32_t value = 0;     // written value (Write)
    bool start = false;         // ':' '2' (ModeSwitch)
};

// Recognises the frame at data[0..size). A read is ':' bank address 0x80, a
// write 'E' bank address high low 0x80, a mode switch ':' '2' or ':' '3'
// (told from a read by its second byte: banks are 1 and 2, never 0x32 or
// 0x33). Incomplete when more bytes are needed; Unknown (length 1) when
// data[0] starts no frame or a frame's closing byte is not 0x80.
TFrame DecodeFrame(const std::uint8_t* data, std::size_t size);
