#include "Readings.h"

#include "Settings.h"
#include "Text.h"

#include <algorithm>

Colour AlcoholColour(int tenths)
{
    return tenths > 2 ? AlcoholRed : AlcoholGreen;
}

std::string AirText(int microgramsPerLitre)
{
    return FormatFixed(microgramsPerLitre, 3, 5);
}

std::string PromilleTenthsText(int tenths)
{
    return FormatFixed(tenths, 1, 3);
}

std::string PromilleHundredthsText(int hundredths)
{
    return FormatFixed(hundredths, 2, 4);
}

std::string VoltageText(int millivolts)
{
    return FormatInt(millivolts, 4);
}

namespace {

ModeDisplay ShowCode(const char* code)
{
    ModeDisplay d;
    d.overlay = ModeDisplay::Overlay::Show;
    d.setOverlayText = true;
    d.overlayText = code;
    return d;
}

ModeDisplay ShowValues(int air, int tenths, int hundredths)
{
    ModeDisplay d;
    d.overlay = ModeDisplay::Overlay::Hide;
    d.setReadouts = true;
    d.air = AirText(air);
    d.promille = PromilleTenthsText(tenths);
    d.promille100 = PromilleHundredthsText(hundredths);
    d.promilleColour = AlcoholColour(tenths);
    return d;
}

} // namespace

ModeDisplay ModeDisplayFor(int mode, std::span<const std::int32_t> V)
{
    switch (mode) {
    case 1:
        return ShowCode("РП");
    case 2:
        return ShowCode("РГ");
    case 3: {
        ModeDisplay d;
        d.overlay = ModeDisplay::Overlay::Hide;
        d.setOverlayText = true;
        d.overlayText = "0.0";
        return d;
    }
    case 4:
    case 5:
        return ShowValues(V[1], V[2], V[3]);
    case 6:
        return ShowValues(V[5], V[6], V[7]);
    case 7:
        return ShowCode("ПП");
    case 8:
        return ShowCode("ОС");
    default:
        return {};
    }
}

std::vector<std::string> ResultsTableLines(std::span<const std::int32_t> bank2)
{
    std::vector<std::string> lines;
    const int bases[] = {64, 72, 80};
    for (int r = 0; r < 3; ++r) {
        const int b = bases[r];
        lines.push_back("U_min                 " + FormatInt(bank2[b], 6) + " мВ");
        lines.push_back("Концентрация (воздух) " + FormatFixed(bank2[b + 1], 3, 6) + " мг/л");
        lines.push_back("Алкоголь (кровь)      " + FormatFixed(std::min(bank2[b + 2], 800), 2, 6) + " промилле");
        lines.push_back("Алкоголь (кровь)      " + FormatFixed(std::min(bank2[b + 3], 80), 1, 6) + " промилле");
        if (r < 2)
            lines.push_back(std::string(29, '-'));
    }
    return lines;
}

void TakeSensorNumber(int sensorNumber)
{
    SensorNumber = sensorNumber;
    SensorNumberText = std::to_string(sensorNumber);
}
