#include "RegisterCsv.h"

#include "Files.h"
#include "TestFiles.h"

const char* const JournalCsvHeading = "№;дата;время;ФИО;результат;прибор;сенсор;примечание";

namespace {

std::string Field(const std::string& value)
{
    std::string text = value;
    if (!text.empty() && std::string("=+-@\t\r").find(text.front()) != std::string::npos)
        text.insert(0, 1, '\'');
    if (text.find_first_of(";\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string Number(const std::optional<int>& v)
{
    return v ? std::to_string(*v) : std::string();
}

} // namespace

std::string JournalCsvLine(const RegisterRecord& r)
{
    std::string date = r.date;
    if (r.Imported() && !date.empty())
        date += ".????";
    std::string result = r.result;
    if (r.tenths)
        for (char& c : result)
            if (c == '.')
                c = ',';
    return std::to_string(r.number) + ";" + Field(date) + ";" + Field(r.time) + ";" + Field(r.name) + ";" +
           Field(result) + ";" + Number(r.instrument) + ";" + Number(r.sensor) + ";" + Field(r.note);
}

std::string JournalCsvFileName(YearChoice year)
{
    switch (year.kind) {
    case YearChoice::Kind::One:
        return "Журнал_" + std::to_string(year.year) + ".csv";
    case YearChoice::Kind::Unknown:
        return "Журнал_год_не_указан.csv";
    case YearChoice::Kind::All:
        break;
    }
    return "Журнал_все_годы.csv";
}

bool WriteJournalCsv(RegisterStore& store, YearChoice year, const std::string& fileName, long long* records,
                     std::string* error)
{
    RecordFilter filter;
    filter.unknownYear = year.kind == YearChoice::Kind::Unknown;
    if (year.kind == YearChoice::Kind::One)
        filter.year = year.year;
    std::vector<std::string> lines = {JournalCsvHeading};
    RegisterError e;
    if (!store.Read(filter, [&](RegisterRecord& r) {
            lines.push_back(JournalCsvLine(r));
            return true;
        }, &e)) {
        *error = store.FileName() + ": " + e.reason;
        return false;
    }
    *records = static_cast<long long>(lines.size()) - 1;
    return WriteFileAtomically(fileName, JoinFileLines(lines), error);
}
