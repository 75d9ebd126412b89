#include "InstrumentHistory.h"

#include "Certificate.h"
#include "Cp1251.h"
#include "Text.h"

#include <algorithm>
#include <set>

namespace {

std::optional<std::pair<int, int>> Renumbering(const TServiceEntry& e)
{
    if (e.Damaged || e.What != JournalNumbers)
        return std::nullopt;
    for (const std::string& d : e.Details)
        if (d.rfind("прибор ", 0) == 0) {
            const auto arrow = d.find(" -> ");
            if (arrow == std::string::npos)
                return std::nullopt;
            return std::pair{static_cast<int>(ReadInt(d.substr(7, arrow - 7))),
                             static_cast<int>(ReadInt(d.substr(arrow + 4)))};
        }
    return std::nullopt;
}

// A CSV field: quoted when it holds the separator or a quote.
std::string Field(const std::string& text)
{
    if (text.find_first_of(";\"") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string Joined(const std::vector<std::string>& details)
{
    std::string all;
    for (const std::string& d : details)
        all += (all.empty() ? "" : "; ") + d;
    return all;
}

} // namespace

std::vector<std::size_t> InstrumentHistory(const std::vector<TServiceEntry>& journal, int instrument,
                                           const std::optional<TDay>& from, const std::optional<TDay>& to)
{
    std::set<int> numbers = {instrument};
    std::set<int> sensors;
    for (bool grew = true; grew;) {
        grew = false;
        for (const TServiceEntry& e : journal) {
            if (e.Damaged)
                continue;
            if (auto r = Renumbering(e); r && (numbers.count(r->first) || numbers.count(r->second))) {
                // Both inserted, whichever is new.
                const bool first = numbers.insert(r->first).second;
                const bool second = numbers.insert(r->second).second;
                grew = grew || first || second;
            }
            if (e.Instrument != 0 && numbers.count(e.Instrument) && e.Sensor != 0)
                grew = sensors.insert(e.Sensor).second || grew;
        }
    }
    std::set<std::string> sessions;
    auto mine = [&](const TServiceEntry& e) {
        return e.Instrument != 0 && (numbers.count(e.Instrument) || sensors.count(e.Sensor));
    };
    for (const TServiceEntry& e : journal)
        if (!e.Damaged && mine(e) && e.Session != "-")
            sessions.insert(e.Session);
    std::vector<std::size_t> rows;
    for (std::size_t i = journal.size(); i-- > 0;) {
        const TServiceEntry& e = journal[i];
        const bool taken = e.Damaged ? (e.Instrument == 0 || numbers.count(e.Instrument))
                                     : mine(e) || (e.Instrument == 0 && sessions.count(e.Session));
        if (!taken)
            continue;
        const auto day = ParseDay(e.Date);
        if (day && ((from && *day < *from) || (to && *to < *day)))
            continue;
        rows.push_back(i);
    }
    return rows;
}

std::string HistoryCsv(const std::vector<TServiceEntry>& journal, const std::vector<std::size_t>& rows)
{
    std::string text = std::string(HistoryCsvHeading) + "\r\n";
    for (std::size_t i : rows) {
        const TServiceEntry& e = journal[i];
        const std::vector<std::string> f =
            e.Damaged ? std::vector<std::string>{e.Date, e.Time, std::to_string(e.Instrument), std::to_string(e.Sensor),
                                                 "", "", "повреждена", "", e.Raw}
                      : std::vector<std::string>{e.Date, e.Time, std::to_string(e.Instrument), std::to_string(e.Sensor),
                                                 e.Engineer, e.Session, e.What, e.Verdict, Joined(e.Details)};
        std::string line;
        for (std::size_t k = 0; k < f.size(); ++k)
            line += (k ? ";" : "") + Field(f[k]);
        text += line + "\r\n";
    }
    return ToCp1251(text);
}

std::vector<std::string> HistoryLines(const std::vector<TServiceEntry>& journal, const std::vector<std::size_t>& rows,
                                      int instrument)
{
    std::vector<std::string> lines = {"             ИСТОРИЯ ПРИБОРА N " + std::to_string(instrument)
                                          + " (журнал Service.txt)",
                                      ""};
    for (std::size_t i : rows) {
        const TServiceEntry& e = journal[i];
        if (e.Damaged) {
            lines.push_back("ПОВРЕЖДЕННАЯ СТРОКА ЖУРНАЛА (не запись):");
            lines.push_back("    " + e.Raw.substr(0, 200));
            continue;
        }
        lines.push_back(e.Date + " " + e.Time + "  N " + std::to_string(e.Instrument) + "  " + e.What
                        + (e.Verdict == "-" ? "" : ": " + e.Verdict) + "  (" + e.Engineer + ")");
        for (const std::string& l : WrappedPieces(e.Details))
            lines.push_back(l);
    }
    if (rows.empty())
        lines.push_back("Записей нет.");
    return lines;
}
