#pragma once
// The adjustment protocol: a page for one instrument built from the day's
// lines of the service journal (as found, what changed, as left, whether
// each write was confirmed), with lines for the engineer's name and
// signature. It is shown, printed and saved by the print window like the
// other pages: at most 55 lines of at most 75 characters.
#include "ServiceJournal.h"

#include <string>
#include <vector>

// The page for `instrument` from the entries of `date` (DD.MM.YYYY). With
// no entry for it that day the page says so instead of showing an empty
// form. Entries that do not fit the page are counted in its last lines.
std::vector<std::string> ServiceProtocolPage(const std::vector<TServiceEntry>& journal, int instrument,
                                             const std::string& date);
