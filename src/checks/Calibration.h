#pragma once
// The two-point calibration of the measuring path. The operator measures
// two voltages with a voltmeter, one at or above 1000 mV (U1) and one below
// (U2), while the instrument reports its ADC count for each; the straight
// line through them gives the zero offset (mV at count 0, word 13) and the
// supply (mV at count 1023, word 25) the instrument converts with.
#include <cstdint>
#include <optional>

inline constexpr std::int32_t AdcFullScale8 = 8184;   // 8 x 1023: the count as register 11 holds it
inline constexpr std::int32_t SupplyCeiling = 5099;   // word 25 never above this
inline constexpr std::int32_t WordMax = 65535;        // a word on the wire

struct TCalibration {
    std::int32_t ZeroOffset;   // Data_Sen[13]
    std::int32_t Supply;       // Data_Sen[25]
};

// x truncated toward zero, plus one when the fraction cut off exceeds 0.5
// (exactly 0.5 stays down; a negative fraction adds nothing).
std::int64_t RoundAboveHalf(double x);

// The calibration for points (a1, r1) and (a2, r2): ADC counts as register
// 11 holds them and the operator's millivolts. Empty when a1 == a2 (the
// slope is undefined). The slope is millivolts per 10-bit count; the zero
// offset is r2 less the part below a2, never below 0; the supply is r1 plus
// the part above a1, at most 5099 and never below 0.
std::optional<TCalibration> ComputeCalibration(std::int32_t a1, std::int32_t a2, std::int32_t r1, std::int32_t r2);
