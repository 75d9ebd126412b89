#include "RegisterRecord.h"

#include "ProtocolPages.h"
#include "TestFiles.h"
#include "Text.h"

#include <QByteArray>
#include <QCryptographicHash>

#include <charconv>
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

int HexDigit(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// The 32 bytes of a chain value's hex digits; false for anything else.
bool ChainBytes(std::string_view hex, std::array<char, 32>& bytes)
{
    if (hex.size() != 64)
        return false;
    for (std::size_t i = 0; i < 32; ++i) {
        const int high = HexDigit(hex[2 * i]);
        const int low = HexDigit(hex[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[i] = static_cast<char>(high * 16 + low);
    }
    return true;
}

// SHA-256 over the previous chain value's bytes and the input. One hash
// object per thread: the check hashes a million records.
QByteArrayView Digest(std::string_view previousChain, std::string_view input)
{
    thread_local QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.reset();
    std::array<char, 32> previous{};
    if (ChainBytes(previousChain, previous))
        hash.addData(QByteArrayView(previous.data(), 32));
    hash.addData(QByteArrayView(input.data(), static_cast<qsizetype>(input.size())));
    return hash.resultView();
}

std::string Decimal(const std::optional<int>& v)
{
    return v ? std::to_string(*v) : std::string();
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

std::string ChainInputOf(const ChainFields& fields)
{
    std::string out;
    PutChainInput(out, fields);
    return out;
}

void PutChainInput(std::string& out, const ChainFields& fields)
{
    out.clear();
    for (std::string_view f : fields) {
        char length[16];
        const auto end = std::to_chars(length, length + sizeof length, f.size()).ptr;
        out.append(length, end);
        out += ':';
        out.append(f);
    }
}

std::string ChainInput(const RegisterRecord& r)
{
    const std::string number = std::to_string(r.number);
    const std::string year = Decimal(r.year);
    const std::string month = std::to_string(r.month);
    const std::string tenths = Decimal(r.tenths);
    const std::string instrument = Decimal(r.instrument);
    const std::string sensor = Decimal(r.sensor);
    return ChainInputOf({number, r.date, r.time, r.utcOffset, year, month, r.name, tenths, r.result, instrument,
                         sensor, r.monthFile, r.line, r.note});
}

std::string ChainValueOf(std::string_view previousChain, std::string_view input)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    const QByteArrayView digest = Digest(previousChain, input);
    std::string hex(static_cast<std::size_t>(digest.size()) * 2, '0');
    for (qsizetype i = 0; i < digest.size(); ++i) {
        const auto byte = static_cast<unsigned char>(digest[i]);
        hex[static_cast<std::size_t>(i) * 2] = kDigits[byte >> 4];
        hex[static_cast<std::size_t>(i) * 2 + 1] = kDigits[byte & 15];
    }
    return hex;
}

bool ChainMatches(std::string_view previousChain, std::string_view input, std::string_view chain)
{
    std::array<char, 32> stored{};
    if (!ChainBytes(chain, stored))
        return false;
    const QByteArrayView digest = Digest(previousChain, input);
    return digest == QByteArrayView(stored.data(), 32);
}

std::string ChainValue(const std::string& previousChain, const RegisterRecord& r)
{
    return ChainValueOf(previousChain, ChainInput(r));
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
