#include "CheckState.h"

bool ReadingFlag = false;
std::int32_t BlowOutZero = BlowOutZeroAtStart;
TCalibrationPoints CalibrationPoints;
bool HoldU1 = false;
bool HoldU2 = false;
TLiveHistory LiveHistory{};

void ResetCheckState()
{
    ReadingFlag = false;
    BlowOutZero = BlowOutZeroAtStart;
    CalibrationPoints = {};
    HoldU1 = false;
    HoldU2 = false;
    LiveHistory = {};
}
