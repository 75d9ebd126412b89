#pragma once
// The seven calibration points as the point grids of the sensor windows
// show and take them: each right-aligned in six characters, and read back
// the lenient way typed numbers are read.
#include "Characteristic.h"

#include <array>
#include <string>

inline constexpr int PointFieldWidth = 6;

using TPointTexts = std::array<std::string, SensorPointCount>;

// Each point right-aligned in six characters.
TPointTexts PointTexts(const SensorPointTable& points);

// The typed texts read leniently (leading blanks, sign, digits; anything
// after the digits ignored; empty reads 0); values beyond an int are cut to
// its range, so that the validation sees them out of range.
SensorPointTable PointsFromTexts(const TPointTexts& texts);
