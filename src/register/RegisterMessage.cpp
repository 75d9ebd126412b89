// The check's message: what did not match, named so that the operator finds
// it in the journal (the record's number, date and name; the file and line).
#include "RegisterCheck.h"

#include "TestFiles.h"

namespace {

std::string Named(const RegisterRecord& r)
{
    std::string text = "№ " + std::to_string(r.number) + " от " + r.date;
    if (!r.time.empty())
        text += " " + r.time;
    if (r.Imported())
        text += std::string(" (") + NoteYearUnknown + ")";
    return text + ", " + (r.name.empty() ? std::string("без имени") : r.name);
}

std::string Numbers(long long from, long long to)
{
    return from == to ? "записи № " + std::to_string(from)
                      : "записей № " + std::to_string(from) + "–" + std::to_string(to);
}

std::string ChainText(const RegisterFinding& f)
{
    switch (f.kind) {
    case RegisterFinding::Kind::Changed:
        return "запись " + Named(f.record) + " изменена или вставлена не программой: её контрольная сумма не "
                                            "совпадает";
    case RegisterFinding::Kind::Gap:
        return "перед записью " + Named(f.record) + " нет " + Numbers(f.missingFrom, f.missingTo) +
               ": удалены";
    case RegisterFinding::Kind::TailGone:
        return "после последней записи нет " + Numbers(f.missingFrom, f.missingTo) + ": удалены";
    case RegisterFinding::Kind::Unguarded:
        return "снята защита журнала от изменения и удаления записей";
    default:
        return {};
    }
}

std::string More(long long count)
{
    return count > 1 ? " (и ещё несовпадений: " + std::to_string(count - 1) + ")" : std::string();
}

} // namespace

std::string CheckMessage(const RegisterCheck& c, const std::string& fileName)
{
    if (c.failed)
        return "Журнал тестов " + fileName + " не удалось проверить: " + c.failed->reason + ".";
    if (c.Clean())
        return {};
    std::string text = "Журнал тестов " + fileName + " не совпадает с тем, что записала в него программа:";
    if (c.chain)
        text += "\n- " + ChainText(*c.chain) + More(c.chainFindings) + ";";
    if (c.lineGone)
        text += "\n- у записи " + Named(c.lineGone->record) + " нет её строки «" + c.lineGone->record.line +
                "» в файле " + c.lineGone->record.monthFile + More(c.linesGone) + ";";
    if (c.unrecorded)
        text += "\n- строка " + std::to_string(c.unrecorded->line.lineNumber) + " файла " +
                MonthFileNameFor(c.unrecorded->line.month) + " «" + c.unrecorded->line.line +
                "» не имеет записи в журнале (вписана вручную?)" + More(c.unrecordedLines) + ";";
    text.back() = '.';
    return text + "\n\nВсе записи и строки показаны.";
}
