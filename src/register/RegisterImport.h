#pragma once
// The lines that were in the month files before the register existed:
// taken into it once, at its creation, in the order the results window
// gathers the months, as records whose year is unknown.
#include "RegisterRecord.h"

#include <deque>
#include <vector>

// The records of every non-empty line of Test_01.txt .. Test_12.txt, the
// months in the results window's order for `currentMonth` (the month after
// it first, the current month last), each file's lines in order. The lines
// of `pending` records (tests already in the files, waiting to be written
// into the register) are left out: they come in as themselves.
std::vector<RegisterRecord> ImportMonthFiles(int currentMonth, const std::deque<RegisterRecord>& pending);
