// The path checks on a faulty line: the measuring or the blow path check
// polling and writing over a line the input runs (replies whole or twice,
// a byte lost, a stray byte inside, a garbled letter, bank or address, a
// reply broken by a long pause, replies run together into bursts of any
// size, stray bytes between replies, ticks at any moment so that frames go
// out twice and replies come late, channel 1 moving, a word that does not
// keep a write, and the operator's buttons).
//  - Every value stored is one the instrument sent for that register: no
//    broken reply ever becomes a value.
//  - Every read cycle that ends has a reply stored for each of its
//    registers, and after it every row of the channel-1 table and both
//    points pair a count and a voltage of one moment: no pair of two cycles.
//  - Nothing is stored outside ReadValues, nor filed under an address no
//    list reads (a garbled address).
//  - A write is confirmed only when the instrument holds what was written
//    (a start delta outside 1..8 also when it holds the 2 it works with).
//
// Input: the kind of check, then one step after another.
#include "FuzzSupport.h"

#include "../checks/PathCheckLine.h"

#include "CheckState.h"
#include "Characteristic.h"
#include "ExchangeGlobals.h"
#include "PathCheck.h"

#include <set>
#include <string>

namespace {

FUZZ_UNTRACED void CheckFiling(const TPathCheckKind& kind)
{
    std::set<int> read;
    for (const TCommandItem& item : kind.ReadCycle)
        read.insert(item[2]);
    for (int i = 0; i < ReadValuesSize; ++i)
        FUZZ_CHECK(read.count(i) != 0 || ReadValues[static_cast<std::size_t>(i)] == 0);
    for (int a = 0x80; a < 256; ++a)
        FUZZ_CHECK(Bank2Image[static_cast<std::size_t>(a)] == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    ResetExchangeGlobals();
    ResetCheckState();
    Data_Sen.fill(0);
    const TPathCheckKind& kind = in.Flag() ? BlowPathKind : MeasuringPathKind;
    TPathCheck check(kind);
    TPathCheckLine line(check);
    check.Activate();

    int steps = 0;
    while (!in.Empty() && ++steps < 20000) {
        switch (in.Range(0, 9)) {
        case 0:
        case 1: {
            const std::uint8_t how = in.Byte();
            const auto fault = (how & 0x80) != 0 ? static_cast<TLineFault>(how & 7) : TLineFault::None;
            line.Answer(fault, static_cast<std::size_t>(how >> 3));
            break;
        }
        case 2:
        case 3:
            line.Deliver(static_cast<std::size_t>(in.Flag() ? in.Range(1, 2048) : in.Range(1, 3)));
            break;
        case 4:
            line.Move(in.Range(0, 1023));
            break;
        case 5:
            line.Noise(in.Byte());
            break;
        case 6:
        case 7:
            for (int n = in.Range(1, 4); n > 0; --n)
                line.Tick();
            break;
        case 8:
            line.WeakWord = in.Flag() ? -1 : kind.WriteAddresses.front();
            break;
        default:
            // Run, read and write open the port when the line is free.
            switch (in.Range(0, 5)) {
            case 0: line.OpenPort(); check.RunPolling(); break;
            case 1: check.PausePolling(); break;
            case 2: line.OpenPort(); check.ToggleReading(); break;
            case 3: check.ToggleHold(in.Range(1, 2)); break;
            default: {
                check.View.DeltaWr = std::to_string(in.Range(0, 20));
                check.View.RealU1 = std::to_string(in.Range(1000, 5000));
                check.View.RealU2 = std::to_string(in.Range(0, 999));
                std::string message;
                if (check.PrepareWrite(message)) {
                    line.OpenPort();
                    check.StartWriting();
                }
                break;
            }
            }
            break;
        }
        FUZZ_CHECK(line.ValuesNeverSent == 0);
        FUZZ_CHECK(line.CyclesShort == 0);
        FUZZ_CHECK(line.CyclesMispaired == 0);
        FUZZ_CHECK(line.WritesWronglyConfirmed == 0);
        FUZZ_CHECK(CommandIndex >= 0 && CommandIndex < CommandListSize);
    }
    CheckFiling(kind);
    return 0;
}
