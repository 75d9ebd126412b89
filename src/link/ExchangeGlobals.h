#pragma once
// The exchange state shared by every window that talks to the instrument.
// One set for the whole program: only one window exchanges at a time.
#include "Frames.h"

#include <array>
#include <cstdint>

inline constexpr int CommandListSize = 65;     // items 0..64; letter 0 ends a list
inline constexpr int ReadValuesSize = 65;
inline constexpr int Bank2ImageSize = 256;     // one entry per bank-2 address
inline constexpr int LiveValueCount = 12;      // bank-1 addresses 0..11

inline constexpr std::int32_t ExchangeIdle = 0;           // all input dropped
inline constexpr std::int32_t ExchangeAwaitingReply = 5;  // a frame is outstanding

extern std::int32_t ExchangeState;
extern std::array<TCommandItem, CommandListSize> CommandList;
extern std::int32_t CommandIndex;   // item whose frame is outstanding
extern std::int32_t BatchEnd;       // set by each list starter; its use is the window's
extern std::array<std::int32_t, ReadValuesSize> ReadValues;
extern std::int32_t ReadCount;      // read values stored so far in the current list
// The last value read from each bank-2 address (zero at start).
extern std::array<std::int32_t, Bank2ImageSize> Bank2Image;

// The last values read from bank-1 addresses 0..11, one per address, and
// their names: V0 sensor voltage, V1..V3 current readings, V4, V5..V7 the
// completed test's readings, the instrument mode, and the channel values.
extern std::array<std::int32_t, LiveValueCount> LiveValues;
inline std::int32_t& V0 = LiveValues[0];
inline std::int32_t& V1 = LiveValues[1];
inline std::int32_t& V2 = LiveValues[2];
inline std::int32_t& V3 = LiveValues[3];
inline std::int32_t& V4 = LiveValues[4];
inline std::int32_t& V5 = LiveValues[5];
inline std::int32_t& V6 = LiveValues[6];
inline std::int32_t& V7 = LiveValues[7];
inline std::int32_t& InstrumentMode = LiveValues[8];
inline std::int32_t& Channel1Voltage = LiveValues[9];    // mV
inline std::int32_t& Channel2Voltage = LiveValues[10];   // BLOW_OUT, mV
inline std::int32_t& Channel1Adc = LiveValues[11];       // eight times the 10-bit count

// Back to the start-up state: idle, empty list, every value zero (tests).
void ResetExchangeGlobals();
