#include "RegisterRecord.h"

#include "ProtocolPages.h"
#include "TestFiles.h"
#include "Text.h"

#include <QByteArray>
#include <QCryptographicHash>

#include <cstdio>

namespace {

bool Digits(const std::string& s, std::size_t from, std::size_t count)
{
    if (s.size() < from + count)
        return false;
    for (std::size_t i = from; i < from + count; ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

// "DD.MM" at the start of a line, or empty.
std::string LineDate(const std::string& line)
{
    if (Digits(line, 0, 2) && line.size() >= 5 && line[2] == '.' && Digits(line, 3, 2))
        return line.substr(0, 5);
    return {};
}

// "HH:MM" at characters 7 to 11 of a line, or empty.
std::string LineTime(const std::string& line)
{
    if (Digits(line, 6, 2) && line.size() >= 11 && line[8] == ':' && Digits(line, 9, 2))
        return line.substr(6, 5);
    return {};
}

// The tenths of a result "D.d" (or "DD.d"), none for anything else.
std::optional<int> TenthsOf(const std::string& result)
{
    const std::size_t point = result.find('.');
    if (point == std::string::npos || point == 0 || point > 4 || result.size() != point + 2)
        return std::nullopt;
    if (!Digits(result, 0, point) || !Digits(result, point + 1, 1))
        return std::nullopt;
    return std::stoi(result.substr(0, point)) * 10 + (result.back() - '0');
}

void AddField(std::string& out, const std::string& value)
{
    out += std::to_string(value.size());
    out += ':';
    out += value;
}

void AddField(std::string& out, std::optional<int> value)
{
    AddField(out, value ? std::to_string(*value) : std::string());
}

} // namespace

std::string UtcOffsetText(int minutes)
{
    const int magnitude = minutes < 0 ? -minutes : minutes;
    return (minutes < 0 ? "-" : "+") + TwoDigits(magnitude / 60 % 100) + ":" + TwoDigits(magnitude % 60);
}

RegisterRecord TestRecordOf(const ClockReading& at, const std::string& name, int v6,
                            std::optional<int> instrument, std::optional<int> sensor,
                            const std::string& monthFile, const std::string& line, bool lineWritten)
{
    RegisterRecord r;
    r.date = TwoDigits(at.day) + "." + TwoDigits(at.month) + "." + std::to_string(at.year);
    r.time = TwoDigits(at.hour) + ":" + TwoDigits(at.minute) + ":" + TwoDigits(at.second);
    r.utcOffset = UtcOffsetText(at.utcOffsetMinutes);
    r.year = at.year;
    r.month = at.month;
    r.name = OneLineName(name);
    r.tenths = v6;
    r.result = PromilleText(v6);
    r.instrument = instrument;
    r.sensor = sensor;
    r.monthFile = monthFile;
    r.line = line;
    if (!lineWritten)
        r.note = NoteLineNotWritten;
    return r;
}

RegisterRecord ImportedRecordOf(int month, const std::string& line)
{
    RegisterRecord r;
    r.date = LineDate(line);
    r.time = LineTime(line);
    r.month = month;
    const ActEntry entry = ReadActEntry(line);
    if (entry.hasValue) {
        r.name = entry.namePart.empty() ? std::string() : entry.namePart.substr(0, entry.namePart.size() - 1);
        r.result = entry.result;
        r.tenths = TenthsOf(entry.result);
    }
    r.monthFile = MonthFileNameFor(month);
    r.line = line;
    r.note = NoteYearUnknown;
    return r;
}

std::string ChainInput(const RegisterRecord& r)
{
    std::string out;
    out.reserve(96 + r.name.size() + r.line.size() + r.note.size());
    AddField(out, std::to_string(r.number));
    AddField(out, r.date);
    AddField(out, r.time);
    AddField(out, r.utcOffset);
    AddField(out, r.year);
    AddField(out, std::to_string(r.month));
    AddField(out, r.name);
    AddField(out, r.tenths);
    AddField(out, r.result);
    AddField(out, r.instrument);
    AddField(out, r.sensor);
    AddField(out, r.monthFile);
    AddField(out, r.line);
    AddField(out, r.note);
    return out;
}

std::string ChainValue(const std::string& previousChain, const RegisterRecord& r)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArray::fromHex(QByteArray::fromStdString(previousChain)));
    const std::string input = ChainInput(r);
    hash.addData(QByteArrayView(input.data(), static_cast<qsizetype>(input.size())));
    return hash.result().toHex().toStdString();
}

std::string JournalLineOf(const RegisterRecord& r)
{
    char number[24];
    if (r.number > 0)
        std::snprintf(number, sizeof number, "%6lld", r.number);
    else
        std::snprintf(number, sizeof number, "%s", "     —");
    std::string shown = std::string(number) + "  ";
    // A line the program wrote begins with its 12-character stamp
    // "DD.MM HH:MM "; the record's own date and time take its place.
    if (!r.Imported() && r.line.size() >= 12 && LineDate(r.line) == r.date.substr(0, 5))
        shown += r.date + " " + r.time + " " + r.line.substr(12);
    else
        shown += r.line;
    if (!r.note.empty())
        shown += "  (" + r.note + ")";
    return shown;
}

std::string ActDateTimeOf(const RegisterRecord& r)
{
    if (r.Imported() || r.time.size() < 5)
        return ReadActEntry(r.line).dateTime;
    return r.date + " " + r.time.substr(0, 5);
}
