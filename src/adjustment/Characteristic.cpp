#include "Characteristic.h"

#include "Settings.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

std::array<int, DataSenSize> Data_Sen{};
SensorPointTable SensorPoints{};

namespace {

// from - (from - to) * num div den. The table holds 32-bit words; the
// difference and the product are formed in 64 bits so that no typed value
// can overflow, and div truncates toward zero as the instrument's own
// tables were computed. For 16-bit words the result is that of 32-bit
// arithmetic.
int Toward(std::int64_t from, std::int64_t to, std::int64_t num, std::int64_t den)
{
    return static_cast<int>(from - (from - to) * num / den);
}

int ToInt(double value)
{
    const double lo = std::numeric_limits<int>::min();
    const double hi = std::numeric_limits<int>::max();
    return static_cast<int>(std::trunc(std::clamp(value, lo, hi)));
}

std::span<const int, SensorTableSize> InstrumentPart(const std::array<int, DataSenSize>& table)
{
    return std::span<const int, SensorTableSize>(table.data(), SensorTableSize);
}

} // namespace

void DeriveSensorTable(const SensorPointTable& p, std::span<int, SensorTableSize> w)
{
    w[0] = p[0];
    w[1] = p[1];
    w[2] = p[2];
    w[5] = p[3];
    w[6] = p[4];
    w[10] = p[5];

    // Nodes between the calibration points.
    w[3] = Toward(p[2], p[3], 6, 10);
    w[4] = Toward(p[2], p[3], 78, 100);
    w[7] = Toward(p[3], p[5], 6, 10);
    w[8] = Toward(p[3], p[5], 78, 100);
    w[9] = Toward(p[3], p[5], 9, 10);

    // Just below clean air: 80 % of the way to 0.1 promille.
    const int g = Toward(p[0], p[1], 8, 10);
    w[12] = g;

    // Each threshold 70 % of the way from one node to the next ...
    for (int i = 0; i <= 9; ++i)
        w[14 + i] = Toward(w[i], w[i + 1], 7, 10);
    // ... except the two ends.
    w[23] = Toward(w[9], w[10], 3, 10);
    w[14] = g;

    // One tenth of the 1.0-to-2.0 drop per tenth above 1.0 promille.
    w[24] = static_cast<int>(std::int64_t{w[23]} - (std::int64_t{p[5]} - p[6]) / 10);

    w[31] = SensorNumber;
}

void CompleteSensorTable()
{
    auto& w = Data_Sen;
    w[32] = w[48] = w[11];
    w[33] = w[49] = w[12];
    w[13] = w[34] = w[50] = 0;
    for (int i = 0; i <= 10; ++i)
        w[35 + i] = w[51 + i] = w[14 + i];
    w[25] = w[46] = w[62] = SupplyVoltage;
    w[26] = w[47] = w[63] = BlowStartDelta;
    w[27] = SensorNumber;
    w[28] = w[29] = w[30] = 0;
    w[31] = SensorNumber;
}

SensorPointTable PointsFromSensorTable(std::span<const int, SensorTableSize> w)
{
    const std::int64_t step = std::int64_t{w[23]} - w[24];
    return {w[0], w[1], w[2], w[5], w[6], w[10], static_cast<int>(w[10] - step * 10)};
}

void PointsFromSensorTable()
{
    SensorPoints = PointsFromSensorTable(InstrumentPart(Data_Sen));
}

int VoltageAtAlcohol(std::span<const int, SensorTableSize> w, int alcohol)
{
    // Only 0 to 800 has nodes inside the table; anything typed beyond that
    // is taken as the nearest end of the range rather than reading nodes
    // from unrelated entries.
    const int a = std::clamp(alcohol, MinAlcohol, MaxAlcohol);
    const int k = a / 10;
    const int r = a % 10;

    if (a <= 100) {
        // The node for 0.0 is clean air; the node for each further tenth is
        // the threshold at which the instrument switches to it.
        const double upper = k == 0 ? w[0] : w[13 + k];
        const double lower = w[14 + k];
        return ToInt(upper - std::trunc(r * (upper - lower) / 10.0));
    }

    const double step = static_cast<double>(std::int64_t{w[23]} - w[24]);
    const int v = ToInt(w[10] - ((k - 10) * step + r * (step / 10.0)));
    return std::max(v, 0);
}

int VoltageAtAlcohol(int alcohol)
{
    return VoltageAtAlcohol(InstrumentPart(Data_Sen), alcohol);
}

int CutToTens(int value)
{
    return (value / 10 + (value % 10 > 4 ? 1 : 0)) * 10;
}
