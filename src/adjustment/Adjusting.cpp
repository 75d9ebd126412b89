#include "Adjusting.h"

#include "CommandLists.h"
#include "Registers.h"
#include "SensorGroup.h"
#include "Settings.h"

#include <cmath>
#include <cstdlib>

bool InputErrorFlag = false;
bool WriteAfterTransfer = false;

namespace {

constexpr int kHighestPoint = 6000;
constexpr int kTableWriteLast = 24;   // words 25 and above are never written from here

} // namespace

std::vector<TCommandItem> FullReadList()
{
    std::vector<TCommandItem> list = ReadItems(Bank2, {27, 31, 64, 65, 66, 67, 72, 73, 74, 75, 80, 81, 82, 83});
    AppendReads(list, Bank2, 0, 31);
    return list;
}

std::vector<TCommandItem> TableWriteList()
{
    std::vector<TCommandItem> list;
    for (int address = 0; address <= kTableWriteLast; ++address)
        list.push_back(WriteItem(Bank2, static_cast<std::uint8_t>(address), Data_Sen[address]));
    return list;
}

std::vector<TCommandItem> ObservationList()
{
    std::vector<TCommandItem> list;
    AppendReads(list, Bank1, 0, 8);
    return list;
}

TGasValues RealValuesFor(int alcohol)
{
    TGasValues v;
    v.Alcohol = alcohol;
    v.Concentration = alcohol * 45 / 10;
    v.Voltage = VoltageAtAlcohol(alcohol);
    return v;
}

TDeltas DeltasBetween(const TGasValues& real, const TGasValues& test)
{
    return {real.Concentration - test.Concentration, real.Alcohol - test.Alcohol, test.Voltage - real.Voltage};
}

bool PointsAcceptable(const SensorPointTable& points)
{
    for (int k = 0; k < SensorPointCount; ++k) {
        if (points[k] <= 0 || points[k] > kHighestPoint)
            return false;
        if (k > 0 && points[k] > points[0])
            return false;
    }
    return true;
}

bool TakeValidatedPoints(const SensorPointTable& grid)
{
    InputErrorFlag = !PointsAcceptable(grid);
    if (!InputErrorFlag)
        SensorPoints = grid;
    return !InputErrorFlag;
}

void MakeSureOfGroup()
{
    if (SensorGroupNo != SensorNumber / 100 || SensorSlot != SensorNumber % 100)
        LoadSensorGroup(SensorNumber);
}

void PackRecordWithItsNote()
{
    SensorNote = RecordNote(SensorGroup[static_cast<std::size_t>(SensorSlot)]);
    PackSensorRecord();
    SensorNote = RecordNote(SensorGroup[static_cast<std::size_t>(SensorSlot)]);
}

void CommitPoints()
{
    DeriveSensorTable(SensorPoints, Data_Sen);
    CompleteSensorTable();
    MakeSureOfGroup();
    PackRecordWithItsNote();
}

SensorPointTable ShiftedPoints(const SensorPointTable& points, int step)
{
    SensorPointTable out = points;
    for (int& p : out)
        p += step;
    return out;
}

SensorPointTable PointsCutToTens(const SensorPointTable& points)
{
    SensorPointTable out = points;
    for (int& p : out)
        p = CutToTens(p);
    return out;
}

SensorPointTable PresetPoints(const SensorPointTable& points, int preset)
{
    SensorPointTable p = points;
    const int p3 = p[3];
    switch (preset) {
    case 1:
        p[4] = p3 - 70;
        p[5] = p3 - 220;
        p[6] = p3 - 440;
        break;
    case 2:
        p[4] = p3 - 60;
        p[5] = p3 - 270;
        p[6] = p3 - 550;
        break;
    case 3:
        p[0] = p3 + 770;
        p[1] = p3 + 700;
        p[2] = p3 + 500;
        break;
    default:
        break;
    }
    return p;
}

namespace {

// |trunc(v)| as a point, or nothing when it is no voltage a point can be.
std::optional<int> RescaledPoint(double v)
{
    const double p = std::fabs(std::trunc(v));
    if (!std::isfinite(p) || p > kHighestPoint)
        return std::nullopt;
    return static_cast<int>(p);
}

// The two points of a part moved from the pivot P3 by the factor k, and the
// part's end point set to `end`.
TRescaled Rescale(const SensorPointTable& points, double k, int first, int second, int endIndex, int end)
{
    SensorPointTable p = points;
    const double pivot = p[3];
    const auto a = RescaledPoint(pivot + (p[first] - pivot) * k);
    const auto b = RescaledPoint(pivot + (p[second] - pivot) * k);
    if (!a || !b || end < 0 || end > kHighestPoint)
        return {std::nullopt, TRescaleRefusal::OutOfRange};
    p[first] = *a;
    p[second] = *b;
    p[endIndex] = end;
    return {p, TRescaleRefusal::None};
}

} // namespace

TRescaled RescaledDown(const SensorPointTable& points, int newP6)
{
    const SensorPointTable& p = points;
    if (p[3] == p[6])
        return {std::nullopt, TRescaleRefusal::FlatSlope};
    // P3 − (P3 − Pi)·k is P3 + (Pi − P3)·k.
    const double k = (static_cast<double>(p[3]) - newP6) / (static_cast<double>(p[3]) - p[6]);
    return Rescale(p, k, 4, 5, 6, newP6);
}

TRescaled RescaledUp(const SensorPointTable& points, int newP0)
{
    const SensorPointTable& p = points;
    if (p[0] == p[3])
        return {std::nullopt, TRescaleRefusal::FlatSlope};
    const double k = (static_cast<double>(newP0) - p[3]) / (static_cast<double>(p[0]) - p[3]);
    return Rescale(p, k, 2, 1, 0, newP0);
}

int SteppedAlcohol(int alcohol, int step)
{
    // Each button has its own bound; at the bound the value stays.
    bool allowed = false;
    switch (step) {
    case -1:
        allowed = alcohol > MinAlcohol;
        break;
    case 1:
        allowed = alcohol < MaxAlcohol;
        break;
    case -10:
        allowed = alcohol > MinAlcohol + 9;
        break;
    case 10:
        allowed = alcohol < MaxAlcohol - 10;
        break;
    default:
        break;
    }
    return allowed ? alcohol + step : alcohol;
}
