#include "PathCheckKind.h"

#include "CommandLists.h"
#include "Registers.h"

namespace {

std::vector<TCommandItem> Cycle(bool blow)
{
    std::vector<TCommandItem> items = ReadItems(Bank1, {Reg1::SensorVoltage, Reg1::AirConcentration,
                                                        Reg1::BloodTenths, Reg1::BloodHundredths,
                                                        Reg1::Channel1Voltage, Reg1::Channel2Voltage,
                                                        Reg1::Channel1Adc});
    items.push_back(ReadItem(Bank2, Reg2::ZeroOffset));
    items.push_back(ReadItem(Bank2, Reg2::Supply));
    if (blow) {
        items.push_back(ReadItem(Bank1, Reg1::BlowOutZero));
        items.push_back(ReadItem(Bank2, Reg2::BlowDelta));
    }
    return items;
}

} // namespace

const TPathCheckKind MeasuringPathKind{
    .ReadCycle = Cycle(false),
    .WriteAddresses = {Reg2::ZeroOffset, Reg2::Supply, Reg2::ZeroOffset, Reg2::Supply, Reg2::ZeroOffset,
                       Reg2::Supply},
    .WritesCalibration = true,
    .AdcDivisor = 8,
    .U1AdcAtStart = 8184,
    .Width = 4,
    .Canal2DeltaAtStart = "дельта,АЦП",
    .Canal2Delta = "дельта,мВ",
    .ShowsBlowValues = false,
    .WriteWhat = "калибровка тракта",
};

const TPathCheckKind BlowPathKind{
    .ReadCycle = Cycle(true),
    .WriteAddresses = std::vector<std::uint8_t>(6, Reg2::BlowDelta),
    .WritesCalibration = false,
    .AdcDivisor = 1,
    .U1AdcAtStart = 1023,
    .Width = 5,
    .Canal2DeltaAtStart = "дельта",
    .Canal2Delta = "делта,мВ",
    .ShowsBlowValues = true,
    .WriteWhat = "дельта запуска",
};
