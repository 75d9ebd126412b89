#pragma once
// The history of one instrument in the service journal: every line of it
// across days and renumberings (every number it had, found through the
// number writes, and its sensor number), the session lines (sign-in, gas)
// of its sessions, and every damaged line that may be its; newest first,
// within a date range. Printed as numbered pages and exported as CSV
// (Windows-1251, ";", a heading line naming every field).
#include "ServiceJournal.h"
#include "ServiceSession.h"

#include <optional>
#include <string>
#include <vector>

// Indexes into `journal`, newest first; `from`/`to` limit the dates when set.
std::vector<std::size_t> InstrumentHistory(const std::vector<TServiceEntry>& journal, int instrument,
                                           const std::optional<TDay>& from, const std::optional<TDay>& to);

inline constexpr const char* HistoryCsvHeading = "дата;время;прибор;сенсор;наладчик;сеанс;запись;проверка;подробности";
// The CSV file's bytes (CR LF line ends). A damaged line is "повреждена"
// with the line as it stands in the details.
std::string HistoryCsv(const std::vector<TServiceEntry>& journal, const std::vector<std::size_t>& rows);
// The history's text lines for printing (NumberedPages makes them pages).
std::vector<std::string> HistoryLines(const std::vector<TServiceEntry>& journal, const std::vector<std::size_t>& rows,
                                      int instrument);
