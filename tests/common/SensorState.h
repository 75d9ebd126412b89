#pragma once
// The program-wide state the sensor windows share, back at its start-up
// values: settings, the group in memory, the exchange, the characteristic,
// the last validation. File warnings are only kept (LastWarning).
#include "Adjusting.h"
#include "ExchangeGlobals.h"
#include "SensorGroup.h"
#include "Settings.h"
#include "Warnings.h"

inline void ResetSensorState()
{
    ResetSettings();
    ResetSensorGroup();
    ResetExchangeGlobals();
    ShowWarning = nullptr;
    SetMainStatus = nullptr;
    Data_Sen.fill(0);
    SensorPoints.fill(0);
    InputErrorFlag = false;
    WriteAfterTransfer = false;
}
