#pragma once
// Line setting types of the serial port component, in their ordinal order.
#include <cstdint>

enum class TParity : std::uint8_t { None, Odd, Even, Mark, Space };
enum class TStopBits : std::uint8_t { _1, _1_5, _2 };
enum class TByteSize : std::uint8_t { _5, _6, _7, _8 };   // data bits = ordinal + 5
enum class TDtrControl : std::uint8_t { DtrEnable, DtrDisable, DtrHandshake };
enum class TRtsControl : std::uint8_t { RtsEnable, RtsDisable, RtsHandshake, RtsTransmissionAvailable };

// Line-error flags handed to OnReceiveError.
inline constexpr std::uint32_t CE_RXOVER = 0x0001;    // input buffer overflow
inline constexpr std::uint32_t CE_OVERRUN = 0x0002;   // hardware overrun
inline constexpr std::uint32_t CE_RXPARITY = 0x0004;  // parity error
inline constexpr std::uint32_t CE_FRAME = 0x0008;     // framing error
inline constexpr std::uint32_t CE_BREAK = 0x0010;     // break received

// Modem-change bits handed to OnModemStateChange.
inline constexpr std::uint32_t ModemRingIndicator = 4;
inline constexpr std::uint32_t ModemCarrierDetect = 8;

// The line settings as the terminal takes them.
struct TLineSettings {
    std::uint32_t BaudRate = 9600;
    TByteSize ByteSize = TByteSize::_8;
    TParity Parity = TParity::None;
    TStopBits StopBits = TStopBits::_1;
    bool ParityCheck = false;
    bool Outx_CtsFlow = false;
    bool Outx_XonXoffFlow = false;
    bool Inx_XonXoffFlow = false;
    char XonChar = 0x11;
    char XoffChar = 0x13;
    TDtrControl DtrControl = TDtrControl::DtrDisable;
    TRtsControl RtsControl = TRtsControl::RtsDisable;
};

// Bits one character takes on the line: start, data, parity, stop.
double CharacterBits(const TLineSettings& s);
