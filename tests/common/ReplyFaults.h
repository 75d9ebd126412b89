#pragma once
// The ways one reply breaks on a real line, each set on the simulator for
// one reply in `every`, for the service windows' tests: a byte lost, a
// stray byte among the reply's, a garbled letter, bank or address, and the
// reply doubled in one chunk. A window must take none of them for a value
// and lose no more than a tick or two on each.
#include "Simulator.h"

#include <functional>
#include <string>
#include <vector>

struct TReplyFault {
    std::string Name;
    std::function<void(TSimulator&, int every)> Set;
};

inline std::vector<TReplyFault> ReplyFaults()
{
    return {
        {"a lost byte", [](TSimulator& s, int n) { s.SetLoseByteEvery(n); }},
        {"a stray byte inside", [](TSimulator& s, int n) { s.SetStrayInsideEvery(n); }},
        {"a garbled letter", [](TSimulator& s, int n) { s.SetGarbleEvery(n, 0); }},
        {"a garbled bank", [](TSimulator& s, int n) { s.SetGarbleEvery(n, 1); }},
        {"a garbled address", [](TSimulator& s, int n) { s.SetGarbleEvery(n, 2); }},
        {"doubled in one chunk", [](TSimulator& s, int n) { s.SetDoubleEvery(n, true); }},
    };
}

// Every fault of ReplyFaults off.
inline void ClearReplyFaults(TSimulator& s)
{
    s.SetLoseByteEvery(0);
    s.SetStrayInsideEvery(0);
    s.SetGarbleEvery(0);
    s.SetDoubleEvery(0);
}
