#include "ServiceJournal.h"

#include "Cp1251.h"
#include "ExchangeGlobals.h"
#include "Files.h"
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
            "как найдено " + Promille(foundAlcohol) + " " + std::to_string(foundVoltage) + " мВ",
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
    const TJournalClock now = JournalNow();
    const char* verdict = confirmed ? VerdictConfirmed : VerdictUnconfirmed;
    return {now.Date, now.Time, Bank2Image[27], Bank2Image[31], what, verdict, std::move(details)};
}

TServiceEntry ControlTestEntryNow(std::vector<std::string> details)
{
    const TJournalClock now = JournalNow();
    return {now.Date, now.Time, Bank2Image[27], Bank2Image[31], JournalControlTest, "-", std::move(details)};
}

std::string ServiceLine(const TServiceEntry& entry)
{
    std::string line = entry.Date + kSeparator + entry.Time + kSeparator + std::to_string(entry.Instrument) + kSeparator
        + std::to_string(entry.Sensor) + kSeparator + entry.What + kSeparator + entry.Verdict;
    for (const std::string& d : entry.Details)
        line += kSeparator + d;
    return line;
}

std::optional<TServiceEntry> ParseServiceLine(const std::string& line)
{
    const std::vector<std::string> f = Split(line);
    if (f.size() < 6 || f[0].size() != 10 || f[0][2] != '.' || f[0][5] != '.')
        return std::nullopt;
    TServiceEntry e;
    e.Date = f[0];
    e.Time = f[1];
    e.Instrument = static_cast<int>(ReadInt(f[2]));
    e.Sensor = static_cast<int>(ReadInt(f[3]));
    e.What = f[4];
    e.Verdict = f[5];
    e.Details.assign(f.begin() + 6, f.end());
    return e;
}

bool AppendServiceEntry(const TServiceEntry& entry, std::string* error)
{
    std::string bytes;
    std::error_code ec;
    const auto size = std::filesystem::file_size(ServiceJournalName, ec);
    if (ec || size == 0)
        bytes = ToCp1251(ServiceJournalHeading) + "\r\n";
    bytes += ToCp1251(ServiceLine(entry)) + "\r\n";
    std::string reason;
    if (AppendTextLines(ServiceJournalName, bytes, &reason))
        return true;
    if (error)
        *error = "Не удалось дописать файл " + std::string(ServiceJournalName) + ".\n" + reason;
    return false;
}

std::vector<TServiceEntry> ReadServiceJournal()
{
    std::vector<TServiceEntry> entries;
    std::string bytes;
    if (!ReadWholeFile(ServiceJournalName, bytes))
        return entries;
    std::string line;
    auto take = [&] {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (auto e = ParseServiceLine(FromCp1251(line)))
            entries.push_back(*e);
        line.clear();
    };
    for (char c : bytes) {
        if (c == '\n')
            take();
        else
            line += c;
    }
    take();
    return entries;
}
