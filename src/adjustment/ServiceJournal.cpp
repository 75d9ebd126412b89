#include "ServiceJournal.h"

#include "Cp1251.h"
#include "ExchangeGlobals.h"
#include "Files.h"
#include "ServiceSession.h"
#include "Text.h"

#include <ctime>
#include <filesystem>

namespace {

constexpr char kSeparator = ';';

// Hundredths of a promille as "0.30".
std::string Promille(int hundredths)
{
    return FormatFixed(hundredths, 2, 0);
}

std::string Points(const SensorPointTable& points)
{
    std::string text;
    for (int p : points)
        text += (text.empty() ? "" : " ") + std::to_string(p);
    return text;
}

std::string Points(const std::optional<SensorPointTable>& points)
{
    return points ? Points(*points) : std::string("неизвестны");
}

std::string Change(int before, int after)
{
    return std::to_string(before) + " -> " + std::to_string(after);
}

std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> fields;
    std::string field;
    for (char c : line) {
        if (c == kSeparator) {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.push_back(field);
    return fields;
}

} // namespace

std::vector<std::string> CharacteristicDetails(int gasAlcohol, int foundAlcohol, int foundVoltage, int voltageDelta,
                                               const std::optional<SensorPointTable>& before,
                                               const SensorPointTable& after)
{
    return {"газ " + Promille(gasAlcohol),
            "последний тест " + Promille(foundAlcohol) + " " + std::to_string(foundVoltage) + " мВ",
            "дельта " + std::to_string(voltageDelta) + " мВ",
            "точки до " + Points(before),
            "точки после " + Points(after)};
}

std::vector<std::string> ControlTestDetails(int gasAlcohol, int alcohol, int voltage)
{
    return {"газ " + Promille(gasAlcohol), "как оставлено " + Promille(alcohol) + " " + std::to_string(voltage) + " мВ",
            "разница " + Promille(alcohol - gasAlcohol)};
}

std::vector<std::string> PathCalibrationDetails(int zeroBefore, int supplyBefore, int zeroAfter, int supplyAfter,
                                                TPathPoint u1, TPathPoint u2)
{
    return {"смещение нуля " + Change(zeroBefore, zeroAfter), "питание " + Change(supplyBefore, supplyAfter),
            "U1 " + std::to_string(u1.Count) + " " + std::to_string(u1.Millivolts) + " мВ",
            "U2 " + std::to_string(u2.Count) + " " + std::to_string(u2.Millivolts) + " мВ"};
}

std::vector<std::string> TransferDetails(const std::string& source, const std::optional<SensorPointTable>& before,
                                         const SensorPointTable& after)
{
    return {source, "точки до " + Points(before), "точки после " + Points(after)};
}

std::vector<std::string> ValueDetails(int before, int after)
{
    return {"было " + std::to_string(before), "стало " + std::to_string(after)};
}

std::vector<std::string> NumberDetails(const std::vector<int>& before, const std::vector<int>& after)
{
    static const char* const names[] = {"прибор ", "сенсор ", "время работы ", "тестов ", "тестов >= 0.3 "};
    std::vector<std::string> details;
    for (std::size_t i = 0; i < 5 && i < before.size() && i < after.size(); ++i)
        details.push_back(names[i] + Change(before[i], after[i]));
    return details;
}

namespace {
std::function<TJournalClock()>& Clock()
{
    static std::function<TJournalClock()> clock;
    return clock;
}
} // namespace

void SetJournalClock(std::function<TJournalClock()> clock)
{
    Clock() = std::move(clock);
}

TJournalClock JournalNow()
{
    if (Clock())
        return Clock()();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {TwoDigits(local.tm_mday) + "." + TwoDigits(local.tm_mon + 1) + "." + std::to_string(local.tm_year + 1900),
            TimeText(local.tm_hour, local.tm_min, local.tm_sec)};
}

TServiceEntry ServiceEntryNow(const std::string& what, bool confirmed, std::vector<std::string> details)
{
    TServiceEntry e = NoteEntryNow(what, Bank2Image[27], Bank2Image[31], std::move(details));
    e.Verdict = confirmed ? VerdictConfirmed : VerdictUnconfirmed;
    return e;
}

TServiceEntry NoteEntryNow(const std::string& what, int instrument, int sensor, std::vector<std::string> details)
{
    const TJournalClock now = JournalNow();
    TServiceEntry e;
    e.Date = now.Date;
    e.Time = now.Time;
    e.Instrument = instrument;
    e.Sensor = sensor;
    if (SessionOpen()) {
        e.Engineer = CurrentSession().Engineer;
        e.Session = CurrentSession().Id;
    }
    e.What = what;
    e.Verdict = "-";
    e.Details = std::move(details);
    return e;
}

namespace {

// No field may hold the separator or a line end: such text would shift
// every field after it.
std::string Clean(const std::string& field)
{
    std::string clean = field;
    for (char& c : clean)
        if (c == kSeparator || c == '\r' || c == '\n')
            c = ' ';
    return clean;
}

bool Digits(const std::string& text)
{
    if (text.empty() || text.size() > 9)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool TimeLike(const std::string& t)
{
    return t.size() == 8 && t[2] == ':' && t[5] == ':';
}

TServiceEntry DamagedLine(const std::string& line, const std::vector<std::string>& f)
{
    TServiceEntry e;
    e.Damaged = true;
    e.Raw = line;
    e.What.clear();
    e.Verdict.clear();
    if (!f.empty() && ParseDay(f[0]))
        e.Date = f[0];
    if (f.size() > 1 && TimeLike(f[1]))
        e.Time = f[1];
    if (f.size() > 2 && Digits(f[2]))
        e.Instrument = std::stoi(f[2]);
    if (f.size() > 3 && Digits(f[3]))
        e.Sensor = std::stoi(f[3]);
    return e;
}

// A line of the earlier layout: date;time;instrument;sensor;what;verdict;details.
std::optional<TServiceEntry> ParseOldLine(const std::string& line)
{
    const std::vector<std::string> f = Split(line);
    if (line == ServiceJournalOldHeading)
        return std::nullopt;
    if (f.size() < 6 || !ParseDay(f[0]) || !TimeLike(f[1]) || !Digits(f[2]) || !Digits(f[3]) || f[4].empty()
        || f[5].empty())
        return DamagedLine(line, f);
    TServiceEntry e;
    e.Date = f[0];
    e.Time = f[1];
    e.Instrument = std::stoi(f[2]);
    e.Sensor = std::stoi(f[3]);
    e.What = f[4];
    e.Verdict = f[5];
    e.Details.assign(f.begin() + 6, f.end());
    return e;
}

} // namespace

std::string ServiceLine(const TServiceEntry& entry)
{
    std::string line = entry.Date + kSeparator + entry.Time + kSeparator + std::to_string(entry.Instrument) + kSeparator
        + std::to_string(entry.Sensor) + kSeparator + Clean(entry.Engineer) + kSeparator + Clean(entry.Session)
        + kSeparator + Clean(entry.What) + kSeparator + Clean(entry.Verdict);
    for (const std::string& d : entry.Details)
        line += kSeparator + Clean(d);
    return line + kSeparator + JournalEndMark;
}

std::optional<TServiceEntry> ParseServiceLine(const std::string& line)
{
    if (line == ServiceJournalHeading)
        return std::nullopt;
    const std::vector<std::string> f = Split(line);
    if (f.size() < 9 || f.back() != JournalEndMark || !ParseDay(f[0]) || !TimeLike(f[1]) || !Digits(f[2])
        || !Digits(f[3]) || f[4].empty() || f[5].empty() || f[6].empty() || f[7].empty())
        return DamagedLine(line, f);
    TServiceEntry e;
    e.Date = f[0];
    e.Time = f[1];
    e.Instrument = std::stoi(f[2]);
    e.Sensor = std::stoi(f[3]);
    e.Engineer = f[4];
    e.Session = f[5];
    e.What = f[6];
    e.Verdict = f[7];
    e.Details.assign(f.begin() + 8, f.end() - 1);
    return e;
}

std::vector<TServiceEntry> ParseServiceJournal(const std::string& bytes)
{
    std::vector<TServiceEntry> entries;
    bool old = false;
    std::size_t from = 0;
    while (from < bytes.size()) {
        std::size_t end = bytes.find('\n', from);
        const bool whole = end != std::string::npos;
        if (!whole)
            end = bytes.size();
        std::string line = bytes.substr(from, end - from);
        from = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string text = FromCp1251(line);
        if (text == ServiceJournalHeading || text == ServiceJournalOldHeading) {
            old = text == ServiceJournalOldHeading;
            continue;
        }
        if (text.empty())
            continue;
        // A carriage return inside a line is no part of any field written.
        std::optional<TServiceEntry> e = text.find('\r') != std::string::npos
            ? std::optional<TServiceEntry>(DamagedLine(text, Split(text)))
            : old ? ParseOldLine(text) : ParseServiceLine(text);
        if (!e)
            continue;
        const std::string torn = JournalTornMark;
        const bool tornOff = text.size() >= torn.size() && text.compare(text.size() - torn.size(), torn.size(), torn) == 0;
        if ((!whole || tornOff) && !e->Damaged) {   // the end of a line that was never finished
            std::vector<std::string> f = Split(text);
            e = DamagedLine(text, f);
        }
        entries.push_back(std::move(*e));
    }
    return entries;
}

namespace {

// The layout the lines at the end of the file are in: the last heading
// line's, as the reader takes it.
bool EndsInOldLayout(const std::string& bytes)
{
    const std::string old = ToCp1251(ServiceJournalOldHeading);
    const std::string now = ToCp1251(ServiceJournalHeading);
    bool inOld = false;
    std::size_t from = 0;
    while (from < bytes.size()) {
        std::size_t end = bytes.find('\n', from);
        if (end == std::string::npos)
            end = bytes.size();
        std::size_t length = end - from;
        if (length > 0 && bytes[from + length - 1] == '\r')
            --length;
        if (bytes.compare(from, length, old) == 0)
            inOld = true;
        else if (bytes.compare(from, length, now) == 0)
            inOld = false;
        from = end + 1;
    }
    return inOld;
}

} // namespace

bool AppendServiceEntry(const TServiceEntry& entry, std::string* error)
{
    std::string bytes;
    std::string present;
    const bool read = ReadWholeFile(ServiceJournalName, present);
    if (read && !present.empty() && present.back() != '\n') {
        // What follows the last line end: a line a crash cut short gets the
        // torn mark; a lone CR only its line feed.
        const std::string tail = present.substr(present.rfind('\n') == std::string::npos ? 0 : present.rfind('\n') + 1);
        std::string text = tail;
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        const bool heading = text == ToCp1251(ServiceJournalHeading) || text == ToCp1251(ServiceJournalOldHeading);
        bytes = text.empty() || heading ? std::string(tail.back() == '\r' ? "\n" : "\r\n")
                                        : ToCp1251(JournalTornMark) + "\r\n";
    }
    if (!read || present.empty() || EndsInOldLayout(present))
        bytes += ToCp1251(ServiceJournalHeading) + "\r\n";
    bytes += ToCp1251(ServiceLine(entry)) + "\r\n";
    std::string reason;
    if (AppendToFile(ServiceJournalName, bytes, &reason))
        return true;
    if (error)
        *error = "Не удалось дописать файл " + std::string(ServiceJournalName) + ".\n" + reason;
    return false;
}

std::vector<TServiceEntry> ReadServiceJournal()
{
    std::string bytes;
    if (!ReadWholeFile(ServiceJournalName, bytes))
        return {};
    return ParseServiceJournal(bytes);
}
