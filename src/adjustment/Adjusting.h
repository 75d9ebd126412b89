#pragma once
// What the adjustment window computes, without the window: its command
// lists, the test gas's real values and the deltas against the instrument's
// last test, the validation of a typed point grid, committing points to the
// characteristic and the sensor's record, and the point edits (shift, cut to
// tens, slope presets, rescaling the upper or the lower part, stepping the
// real alcohol).
//
// Program-wide state used: SensorPoints and Data_Sen (the characteristic),
// SensorNumber (settings), the group in memory (sensor group files).
#include "Characteristic.h"
#include "ExchangeGlobals.h"

#include <optional>
#include <vector>

// The result of the last validation of a point grid: true when it failed.
extern bool InputErrorFlag;

// Set when the sensor database window closes with its transfer on
// "База => Прибор": from then on every activation of the adjustment window
// writes the characteristic to the instrument instead of reading it.
// Nothing clears it.
extern bool WriteAfterTransfer;

// The window's lists.
// Full read: bank 2 addresses 27, 31, 64..67, 72..75, 80..83, then 0..31.
std::vector<TCommandItem> FullReadList();
// Table write: bank 2 addresses 0..24, each with Data_Sen at that address.
std::vector<TCommandItem> TableWriteList();
// Observation: bank 1 addresses 0..8.
std::vector<TCommandItem> ObservationList();

// The test gas: its blood alcohol (hundredths of a promille) and what
// follows from it.
struct TGasValues {
    int Concentration = 0;   // µg/l, trunc(a · 45 / 10)
    int Alcohol = 0;         // hundredths of a promille
    int Voltage = 0;         // mV the characteristic gives (VoltageAtAlcohol)
};
TGasValues RealValuesFor(int alcohol);

// Real values minus the test's for concentration and alcohol; the voltage
// delta runs the other way (test minus real): it is how far the points must
// move so that the characteristic passes through the measured voltage.
struct TDeltas {
    int Concentration = 0;
    int Alcohol = 0;
    int Voltage = 0;
};
TDeltas DeltasBetween(const TGasValues& real, const TGasValues& test);

// A point table the instrument can use: every point in 1..6000 and none of
// P1..P6 above the clean-air point P0.
bool PointsAcceptable(const SensorPointTable& points);

// Grid validation: on acceptable points clears InputErrorFlag and copies
// them into SensorPoints; otherwise sets the flag and leaves SensorPoints
// alone. Returns whether they were acceptable (the window then shows the
// input error window with the rejected points).
bool TakeValidatedPoints(const SensorPointTable& grid);

// "Making sure of the group": loads the group of SensorNumber unless the
// group in memory already holds its slot, so a packed record lands in the
// current sensor's place.
void MakeSureOfGroup();

// PackSensorRecord with the record's own note: the adjustment window
// changes a sensor's points, never its note (SensorNote may hold another
// sensor's). SensorNote is the record's note afterwards.
void PackRecordWithItsNote();

// Commit: derive Data_Sen from SensorPoints, complete its fixed words, make
// sure of the group and pack the record (the file is not saved).
void CommitPoints();

// Every point moved by `step` millivolts (negative to lower them).
SensorPointTable ShiftedPoints(const SensorPointTable& points, int step);
// Every point cut to tens.
SensorPointTable PointsCutToTens(const SensorPointTable& points);

// The slope presets, set from the 0.5 promille point P3:
//   1: P4 = P3 − 70, P5 = P3 − 220, P6 = P3 − 440
//   2: P4 = P3 − 60, P5 = P3 − 270, P6 = P3 − 550
//   3: P0 = P3 + 770, P1 = P3 + 700, P2 = P3 + 500
SensorPointTable PresetPoints(const SensorPointTable& points, int preset);

// Rescaling the upper or the lower part of the points. Refused when the
// two points that span the part are equal (no slope to scale), and when a
// point would come out beyond 0..6000 mV (a far-off typed value or an
// almost flat slope multiplies the distances beyond any voltage).
enum class TRescaleRefusal { None, FlatSlope, OutOfRange };
struct TRescaled {
    std::optional<SensorPointTable> Points;
    TRescaleRefusal Refusal = TRescaleRefusal::None;
    explicit operator bool() const { return Points.has_value(); }
    const SensorPointTable& operator*() const { return *Points; }
};
// The upper part rescaled so that the 2.0 promille point becomes `newP6`
// (P4 and P5 follow proportionally from P3).
TRescaled RescaledDown(const SensorPointTable& points, int newP6);
// The lower part rescaled so that the clean-air point becomes `newP0` (P1
// and P2 follow proportionally from P3).
TRescaled RescaledUp(const SensorPointTable& points, int newP0);

// The real alcohol stepped by the buttons: -1 when above 0, +1 when below
// 800, -10 when above 9, +10 when below 790; otherwise it stays.
int SteppedAlcohol(int alcohol, int step);
