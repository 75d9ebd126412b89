#pragma once
// State the service check windows share with each other and with the sensor
// database and sensor table windows. Program-wide, like the exchange state:
// one window at a time works with the instrument.
//
// The channel values themselves are the live values of the exchange state
// (ExchangeGlobals.h): Channel1Voltage (bank 1 register 9, mV),
// Channel2Voltage (register 10, BLOW_OUT, mV) and Channel1Adc (register 11,
// eight times the 10-bit count). They are included from here.
#include "ExchangeGlobals.h"

#include <array>
#include <cstdint>

// Set while the calibration display is being read (the check windows'
// hidden "Читать из прибора" button is down). The sensor database and sensor
// table windows only read it: while it is set they keep polling.
extern bool ReadingFlag;

// BLOW_OUT zero level, ADC units: the last bank-1 register 12 read by the
// blow path check; 4 until one has been read in this run of the program.
inline constexpr std::int32_t BlowOutZeroAtStart = 4;
extern std::int32_t BlowOutZero;

// The two calibration points of the measuring path and the operator's
// voltmeter readings for them. U1 is taken from readings at or above
// 1000 mV, U2 from readings below; a held point is no longer replaced.
struct TCalibrationPoints {
    std::int32_t U1Adc = 0;    // ADC count as read (eight times the 10-bit count)
    std::int32_t U1mV = 0;
    std::int32_t U2Adc = 0;
    std::int32_t U2mV = 0;
    std::int32_t RealU1 = 0;   // operator's measured voltage, mV
    std::int32_t RealU2 = 0;
};
extern TCalibrationPoints CalibrationPoints;
extern bool HoldU1;
extern bool HoldU2;

// Eight-entry histories, newest first, of the three columns of the two live
// tables: [table][column][row]. They outlive the windows, so the first delta
// after opening is taken against the last value shown before.
inline constexpr int LiveTableCount = 2;       // channel 1, channel 2
inline constexpr int LiveTableColumns = 3;
inline constexpr int LiveTableRows = 8;        // below the heading row
using TLiveHistory = std::array<std::array<std::array<std::int32_t, LiveTableRows>, LiveTableColumns>, LiveTableCount>;
extern TLiveHistory LiveHistory;

// Back to the start-up state (tests).
void ResetCheckState();
