#pragma once
// What the instrument's live and stored values mean and how they are shown:
// the readouts and the two-letter overlay for each instrument mode, the
// alcohol colour, the results table of the last three stored tests and the
// sensor number text. Pure functions from integers to texts and colours.
//
// Live values (bank 1): V0 sensor voltage, mV; V1 concentration in air,
// µg/l; V2 / V3 blood alcohol in tenths / hundredths of a promille; V4 not
// shown; V5..V7 the same three values for the completed test; address 8 the
// instrument mode 0..8 (6 = test completed).
#include "Settings.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct Colour {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Colour&, const Colour&) = default;
};
inline constexpr Colour AlcoholRed{255, 0, 0};
inline constexpr Colour AlcoholGreen{0, 128, 0};

// Red above 0.2 promille (tenths > 2), green otherwise: 0.2 itself is green.
Colour AlcoholColour(int tenths);

// Readout texts: µg/l as mg/l "0.135" (at least 5 characters), tenths as
// "0.3" (at least 3), hundredths as "0.28" (at least 4). Values too wide for
// the field are written in full.
std::string AirText(int microgramsPerLitre);
std::string PromilleTenthsText(int tenths);
std::string PromilleHundredthsText(int hundredths);
// V0 for `lab_mV`: right-aligned in 4 characters.
std::string VoltageText(int millivolts);

// What the overlay and the readouts do for one instrument mode. Fields left
// at "unchanged" keep what the controls show.
struct ModeDisplay {
    enum class Overlay { Unchanged, Show, Hide };
    Overlay overlay = Overlay::Unchanged;
    bool setOverlayText = false;
    std::string overlayText;   // "РП", "РГ", "0.0", "ПП", "ОС"

    bool setReadouts = false;
    std::string air;           // `Edit_Kav_c`
    std::string promille;      // `Edit_Kav0_1`
    std::string promille100;   // `L_Kav_01`
    Colour promilleColour;     // font colour of `Edit_Kav0_1`, set before its text
};

// Modes 1, 2, 7, 8 show the overlay with "РП", "РГ", "ПП", "ОС"; mode 3 hides
// it and sets its text to "0.0"; modes 4 and 5 hide it and show V1..V3;
// mode 6 hides it and shows V5..V7; mode 0 and unknown modes change nothing.
// `v` holds at least V0..V7.
ModeDisplay ModeDisplayFor(int mode, std::span<const std::int32_t> v);

// The 14 lines of the results memo for the stored records at bank-2 words
// 64..67, 72..75 and 80..83 (U_min mV, µg/l, hundredths, tenths), blood
// alcohol capped at 8.00 / 8.0 promille, a line of 29 hyphens after the
// first and the second record. `bank2` holds at least 84 words.
std::vector<std::string> ResultsTableLines(std::span<const std::int32_t> bank2);

inline constexpr int SensorNumberWord = 31;
// SensorStatusText, the main window's third status panel, lives with the
// settings (Settings.h).
// Takes the instrument's sensor number into SensorNumber and
// SensorNumberText (in memory only; the settings file is not written).
void TakeSensorNumber(int sensorNumber);
