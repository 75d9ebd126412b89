#pragma once
// What tells the two path checks apart. The measuring path check and the
// blow path check run the same exchange, live tables and point capture;
// they differ in the registers they read, what they write, how they show
// the ADC count and a few texts and field widths.
#include "Frames.h"

#include <cstdint>
#include <string>
#include <vector>

struct TPathCheckKind {
    // Read frames of one polling cycle, in order.
    std::vector<TCommandItem> ReadCycle;
    // Bank-2 addresses of the write list, in order; each is written with
    // its Data_Sen word.
    std::vector<std::uint8_t> WriteAddresses;
    // true: the write button computes the calibration from the points
    // (words 13 and 25); false: it takes the start delta (word 26) typed in
    // delta_Wr.
    bool WritesCalibration = true;
    // Register 11 holds eight times the 10-bit count; the measuring path
    // check shows it divided by 8, the blow path check as it is.
    std::int32_t AdcDivisor = 8;
    // The U1 count shown at activation (the top of the range as the check
    // counts it).
    std::int32_t U1AdcAtStart = 8184;
    // Field width of the calibration display after each cycle, and of the
    // operator's voltages and the two words at activation.
    int Width = 4;
    // Third heading of the channel-2 table at activation and after each
    // refresh.
    std::string Canal2DeltaAtStart;
    std::string Canal2Delta;
    // The blow path check also shows word 26 and the BLOW_OUT zero level.
    bool ShowsBlowValues = false;
    // What the write list writes, as an unconfirmed write names it.
    std::string WriteWhat;
};

// Measuring path: bank 1 registers 0, 1, 2, 3, 9, 10, 11 and bank 2 words
// 13 and 25; writes 13, 25, 13, 25, 13, 25.
extern const TPathCheckKind MeasuringPathKind;
// Blow path: the same and bank 1 register 12 and bank 2 word 26; writes 26
// six times.
extern const TPathCheckKind BlowPathKind;
