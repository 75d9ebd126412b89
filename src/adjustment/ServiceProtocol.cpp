#include "ServiceProtocol.h"

namespace {

constexpr std::size_t kWidth = 75;
constexpr std::size_t kLines = 55;
constexpr const char* kIndent = "    ";

std::size_t Chars(const std::string& utf8)
{
    std::size_t n = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

// The pieces joined with "; ", wrapped at the page's width after the indent.
std::vector<std::string> Wrapped(const std::vector<std::string>& pieces)
{
    std::vector<std::string> lines;
    std::string line = kIndent;
    for (const std::string& p : pieces) {
        const std::string sep = line == kIndent ? "" : "; ";
        if (Chars(line) + Chars(sep) + Chars(p) > kWidth && line != kIndent) {
            lines.push_back(line + ";");
            line = kIndent + p;
        } else {
            line += sep + p;
        }
    }
    if (line != kIndent)
        lines.push_back(line);
    return lines;
}

std::string Capitalised(const std::string& what)
{
    // The kinds are Russian words: the first letter is two bytes.
    static const std::pair<const char*, const char*> kinds[] = {
        {"характеристика", "Характеристика"}, {"калибровка тракта", "Калибровка тракта"},
        {"дельта запуска", "Дельта запуска"}, {"номера", "Номера"}, {"контрольный тест", "Контрольный тест"}};
    for (const auto& [low, cap] : kinds)
        if (what == low)
            return cap;
    return what;
}

std::string Verdict(const std::string& verdict)
{
    return verdict == VerdictConfirmed ? "запись подтверждена" : "ЗАПИСЬ НЕ ПОДТВЕРЖДЕНА";
}

} // namespace

std::vector<std::string> ServiceProtocolPage(const std::vector<TServiceEntry>& journal, int instrument,
                                             const std::string& date)
{
    std::vector<std::string> page = {
        "             ПРОТОКОЛ РЕГУЛИРОВКИ ПРИБОРА \"Каврел 12кв\"",
        "",
        "Прибор N " + std::to_string(instrument) + "      Дата " + date,
    };
    std::vector<const TServiceEntry*> today;
    for (const TServiceEntry& e : journal)
        if (e.Instrument == instrument && e.Date == date)
            today.push_back(&e);
    if (today.empty()) {
        page.push_back("");
        page.push_back("Сегодня записей о регулировке этого прибора в журнале Service.txt нет.");
        return page;
    }
    page[2] += "      Сенсор N " + std::to_string(today.back()->Sensor);
    page.push_back("");

    const std::vector<std::string> signature = {
        "",
        "Регулировку выполнил: _____________________________________",
        "",
        "Подпись: ____________________             Дата: ______________",
    };
    const std::size_t room = kLines - signature.size() - 1;   // one line for what did not fit
    int number = 0;
    std::size_t shown = 0;
    for (std::size_t i = 0; i < today.size(); ++i) {
        const TServiceEntry& e = *today[i];
        std::vector<std::string> block;
        if (e.What == JournalControlTest) {
            block.push_back(kIndent + std::string("Контрольный тест ") + e.Time + ":");
            for (const std::string& l : Wrapped(e.Details))
                block.push_back(l);
        } else {
            block.push_back(std::to_string(++number) + ". " + e.Time + "  " + Capitalised(e.What) + ": "
                            + Verdict(e.Verdict));
            for (const std::string& l : Wrapped(e.Details))
                block.push_back(l);
        }
        if (page.size() + block.size() > room)
            break;
        page.insert(page.end(), block.begin(), block.end());
        ++shown;
    }
    if (shown < today.size())
        page.push_back("... и ещё записей: " + std::to_string(today.size() - shown) + " (журнал Service.txt)");
    page.insert(page.end(), signature.begin(), signature.end());
    return page;
}
