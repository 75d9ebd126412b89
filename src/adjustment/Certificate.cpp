#include "Certificate.h"

#include "Text.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr std::size_t kWidth = 75;
constexpr std::size_t kPageLines = 55;
constexpr const char* kIndent = "    ";

std::size_t Chars(const std::string& utf8)
{
    std::size_t n = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

std::string Promille(int hundredths)
{
    return FormatFixed(hundredths, 2, 0);
}

std::string Signed(int hundredths)
{
    return (hundredths > 0 ? "+" : "") + Promille(hundredths);
}

// The rest of the entry's first detail that begins with `prefix`.
std::optional<std::string> Detail(const TServiceEntry& e, const std::string& prefix)
{
    for (const std::string& d : e.Details)
        if (d.rfind(prefix, 0) == 0)
            return d.substr(prefix.size());
    return std::nullopt;
}

int Hundredths(const std::string& text)
{
    return static_cast<int>(ReadFixedPoint(text, 2));
}

// The alcohol a test line recorded (the first word after its prefix).
std::optional<int> TestAlcohol(const TServiceEntry& e)
{
    auto v = Detail(e, e.What == JournalAsFound ? "как найдено " : "как оставлено ");
    if (!v)
        return std::nullopt;
    return Hundredths(*v);
}

std::optional<int> TestGas(const TServiceEntry& e)
{
    auto v = Detail(e, "газ ");
    if (!v)
        return std::nullopt;
    return Hundredths(*v);
}

std::string TestText(const TServiceEntry& e)
{
    auto v = Detail(e, e.What == JournalAsFound ? "как найдено " : "как оставлено ");
    auto gas = TestGas(e);
    auto alcohol = TestAlcohol(e);
    std::string text = "тест " + e.Date + " " + e.Time + ": " + (v ? *v : "?");
    if (gas && alcohol)
        text += ", разница " + Signed(*alcohol - *gas);
    return text;
}

bool Within(int alcohol, int gas, int tolerance)
{
    return std::abs(alcohol - gas) <= tolerance;
}

std::string Capitalised(const std::string& what)
{
    static const std::pair<const char*, const char*> kinds[] = {
        {"характеристика", "Характеристика"}, {"калибровка тракта", "Калибровка тракта"},
        {"дельта запуска", "Дельта запуска"}, {"номера", "Номера"}};
    for (const auto& [low, cap] : kinds)
        if (what == low)
            return cap;
    return what;
}

// "прибор 1207 -> 1400" of a number write.
std::optional<std::pair<int, int>> Renumbering(const TServiceEntry& e)
{
    if (e.What != JournalNumbers)
        return std::nullopt;
    auto v = Detail(e, "прибор ");
    if (!v)
        return std::nullopt;
    const auto arrow = v->find(" -> ");
    if (arrow == std::string::npos)
        return std::nullopt;
    return std::pair{static_cast<int>(ReadInt(v->substr(0, arrow))), static_cast<int>(ReadInt(v->substr(arrow + 4)))};
}

bool Has(const std::vector<int>& v, int x)
{
    return std::find(v.begin(), v.end(), x) != v.end();
}

// Lines longer than the page broken at a blank, continued indented: a lot
// number or an engineer's name may be long.
std::vector<std::string> FitLines(const std::vector<std::string>& lines)
{
    std::vector<std::string> fitted;
    for (std::string line : lines) {
        while (Chars(line) > kWidth) {
            // The byte where the 75th character ends, and the last blank before it.
            std::size_t end = 0;
            for (std::size_t n = 0; end < line.size() && n < kWidth; ++n)
                do
                    ++end;
                while (end < line.size() && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80);
            std::size_t cut = line.rfind(' ', end);
            if (cut == std::string::npos || cut <= 4)
                cut = end;
            fitted.push_back(line.substr(0, cut));
            line = kIndent + line.substr(line[cut] == ' ' ? cut + 1 : cut);
        }
        fitted.push_back(line);
    }
    return fitted;
}

} // namespace

std::vector<std::string> GasDetails(const TSessionGas& gas, int tolerance, int intervalMonths)
{
    return {"газ " + Promille(gas.Alcohol), "партия " + gas.Lot, "годен до " + gas.Expiry,
            "допуск " + Promille(tolerance), "интервал " + std::to_string(intervalMonths) + " мес."};
}

std::vector<std::string> AsFoundDetails(int gasAlcohol, int alcohol, int voltage)
{
    return {"газ " + Promille(gasAlcohol), "как найдено " + Promille(alcohol) + " " + std::to_string(voltage) + " мВ",
            "разница " + Signed(alcohol - gasAlcohol)};
}

std::vector<std::string> EngineerDetails(const std::string& engineer, const std::string& why)
{
    std::vector<std::string> d = {"наладчик " + engineer};
    if (!why.empty())
        d.push_back(why);
    return d;
}

TSessionFindings FindSession(const std::vector<TServiceEntry>& journal, const std::string& session, int instrument,
                             std::size_t until)
{
    TSessionFindings f;
    f.Session = session;
    f.Instrument = instrument;
    f.Numbers = {instrument};
    const std::size_t end = std::min(until, journal.size());
    // Every number the instrument had in the session: renumberings both ways.
    for (bool grew = true; grew;) {
        grew = false;
        for (std::size_t i = 0; i < end; ++i) {
            const TServiceEntry& e = journal[i];
            if (e.Damaged || e.Session != session)
                continue;
            if (auto r = Renumbering(e); r && (Has(f.Numbers, r->first) || Has(f.Numbers, r->second))) {
                for (int n : {r->first, r->second})
                    if (!Has(f.Numbers, n)) {
                        f.Numbers.push_back(n);
                        grew = true;
                    }
            }
        }
    }
    bool characteristicWritten = false;
    for (std::size_t i = 0; i < end; ++i) {
        const TServiceEntry& e = journal[i];
        if (e.Damaged || e.Session != session || (e.Instrument != 0 && !Has(f.Numbers, e.Instrument)))
            continue;
        if (e.What == JournalCertificate || e.What == JournalSignInRefused)
            continue;
        if (e.What == JournalSignIn)
            f.Engineer = e.Engineer;
        if (e.Instrument != 0) {
            f.Sensor = e.Sensor;
            f.Engineer = e.Engineer;
        }
        f.Date = e.Date;
        if (e.What == JournalGas) {
            TSessionGas gas;
            gas.Alcohol = Hundredths(Detail(e, "газ ").value_or("0"));
            gas.Lot = Detail(e, "партия ").value_or("");
            gas.Expiry = Detail(e, "годен до ").value_or("");
            f.Gas = gas;
            f.Tolerance = Hundredths(Detail(e, "допуск ").value_or("0.05"));
            f.IntervalMonths = static_cast<int>(ReadInt(Detail(e, "интервал ").value_or("12")));
        } else if (e.What == JournalAsFound) {
            if (!f.AsFound && !characteristicWritten)
                f.AsFound = e;
        } else if (e.What == JournalControlTest) {
            if (characteristicWritten && !f.AsLeft)
                f.AsLeft = e;
        } else if (e.Verdict == VerdictConfirmed || e.Verdict == VerdictUnconfirmed) {
            f.Writes.push_back(e);
            if (e.What == JournalCharacteristic) {
                characteristicWritten = true;
                f.AsLeft.reset();
            }
        }
    }

    const int gas = f.Gas ? f.Gas->Alcohol : 0;
    const std::string tol = "допуск ±" + Promille(f.Tolerance);
    auto numbers = [&](const TServiceEntry& test, const char* what) {
        const int a = TestAlcohol(test).value_or(0);
        const int g = TestGas(test).value_or(gas);
        return std::string(what) + " " + Promille(a) + " при газе " + Promille(g) + ", разница " + Signed(a - g) + ", "
            + tol;
    };
    auto within = [&](const TServiceEntry& test) {
        return Within(TestAlcohol(test).value_or(-10000), TestGas(test).value_or(gas), f.Tolerance);
    };
    const TServiceEntry* lastCharacteristic = nullptr;
    for (const TServiceEntry& w : f.Writes)
        if (w.What == JournalCharacteristic)
            lastCharacteristic = &w;
    if (!lastCharacteristic) {
        if (f.AsFound && within(*f.AsFound)) {
            f.Verdict = VerdictAsFound;
            f.VerdictReason = numbers(*f.AsFound, "как найдено");
        } else {
            f.Verdict = VerdictFailed;
            f.VerdictReason = f.AsFound ? numbers(*f.AsFound, "как найдено") : "нет теста с газом сеанса";
        }
    } else if (lastCharacteristic->Verdict != VerdictConfirmed) {
        f.Verdict = VerdictFailed;
        f.VerdictReason = "последняя запись характеристики не подтверждена";
    } else if (!f.AsLeft) {
        f.Verdict = VerdictFailed;
        f.VerdictReason = "нет теста после последней записи (как оставлено)";
    } else {
        f.Verdict = within(*f.AsLeft) ? VerdictAdjusted : VerdictFailed;
        f.VerdictReason = numbers(*f.AsLeft, "как оставлено");
    }
    const auto day = ParseDay(f.Date);
    f.NextDue = f.Verdict != VerdictFailed && day ? DayText(AddMonths(*day, f.IntervalMonths)) : "не назначается";
    return f;
}

std::string CertificateNumber(const TServiceEntry& entry)
{
    if (entry.Damaged || entry.What != JournalCertificate)
        return {};
    return Detail(entry, "№ ").value_or("");
}

std::string NextCertificateNumber(const std::vector<TServiceEntry>& journal, int year)
{
    const std::string prefix = std::to_string(year) + "-";
    int last = 0;
    for (const TServiceEntry& e : journal) {
        std::string n = CertificateNumber(e);
        // A damaged line may still hold a number once issued: it stays taken.
        if (e.Damaged)
            if (const auto at = e.Raw.find(";№ " + prefix); at != std::string::npos)
                n = e.Raw.substr(at + std::string(";№ ").size());
        if (n.rfind(prefix, 0) == 0)
            last = std::max(last, static_cast<int>(ReadInt(n.substr(prefix.size()))));
    }
    std::string digits = std::to_string(last + 1);
    while (digits.size() < 4)
        digits = "0" + digits;
    return prefix + digits;
}

TServiceEntry CertificateEntryNow(const TSessionFindings& found, const std::string& number)
{
    return NoteEntryNow(JournalCertificate, found.Instrument, found.Sensor,
                        {"№ " + number, "вывод " + found.Verdict, "следующая регулировка " + found.NextDue});
}

std::vector<std::string> WrappedPieces(const std::vector<std::string>& pieces)
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

std::vector<std::vector<std::string>> NumberedPages(const std::vector<std::string>& lines,
                                                    const std::string& continued)
{
    const std::size_t first = kPageLines - 2;
    const std::size_t later = first - 2;
    std::vector<std::vector<std::string>> pages;
    std::size_t at = 0;
    do {
        std::vector<std::string> page;
        if (!pages.empty()) {
            page.push_back(continued);
            page.push_back("");
        }
        const std::size_t room = pages.empty() ? first : later;
        for (std::size_t n = 0; n < room && at < lines.size(); ++n)
            page.push_back(lines[at++]);
        pages.push_back(std::move(page));
    } while (at < lines.size());
    const std::size_t count = pages.size();
    for (std::size_t i = 0; i < count; ++i) {
        std::vector<std::string>& page = pages[i];
        page.resize(kPageLines - 2);
        const std::string foot = "Лист " + std::to_string(i + 1) + " из " + std::to_string(count);
        page.push_back("");
        page.push_back(std::string(kWidth - Chars(foot), ' ') + foot);
    }
    return pages;
}

std::vector<std::vector<std::string>> CertificatePages(const std::vector<TServiceEntry>& journal,
                                                       std::size_t certificateLine)
{
    const TServiceEntry& cert = journal.at(certificateLine);
    const std::string number = CertificateNumber(cert);
    const TSessionFindings f = FindSession(journal, cert.Session, cert.Instrument, certificateLine);
    std::vector<std::string> body = {
        "                   СВИДЕТЕЛЬСТВО О РЕГУЛИРОВКЕ № " + number,
        "     прибора определения концентрации паров этанола \"Каврел 12кв\"",
        "",
        "Прибор N " + std::to_string(cert.Instrument) + "      Сенсор N " + std::to_string(cert.Sensor)
            + "      Дата " + cert.Date,
    };
    if (f.Numbers.size() > 1) {
        std::string all;
        for (int n : f.Numbers)
            all += (all.empty() ? "" : ", ") + std::to_string(n);
        body.push_back("Номера прибора в этом сеансе: " + all);
    }
    body.push_back("Наладчик: " + cert.Engineer);
    body.push_back("Сеанс: " + cert.Session);
    if (f.Gas)
        body.push_back("Газ: " + Promille(f.Gas->Alcohol) + " промилле, партия " + f.Gas->Lot + ", годен до "
                       + f.Gas->Expiry);
    else if (auto gas = f.AsFound ? TestGas(*f.AsFound) : std::nullopt)
        body.push_back("Газ: " + Promille(*gas) + " промилле (партия и срок годности не указаны)");
    else
        body.push_back("Газ: не указан");
    body.push_back("Допуск: ±" + Promille(f.Tolerance) + " промилле      Интервал регулировки: "
                   + std::to_string(f.IntervalMonths) + " мес.");
    body.push_back("");
    body.push_back("Как найдено: " + (f.AsFound ? TestText(*f.AsFound) : std::string("теста с газом сеанса нет")));
    body.push_back("");
    body.push_back(f.Writes.empty() ? "Записей в прибор не было." : "Записи в прибор:");
    int n = 0;
    for (const TServiceEntry& w : f.Writes) {
        body.push_back(std::to_string(++n) + ". " + w.Date + " " + w.Time + "  " + Capitalised(w.What) + ": "
                       + (w.Verdict == VerdictConfirmed ? "запись подтверждена" : "ЗАПИСЬ НЕ ПОДТВЕРЖДЕНА"));
        std::vector<std::string> pieces;
        for (const std::string& d : w.Details)
            if (d.rfind("газ ", 0) != 0 && d.rfind("последний тест ", 0) != 0)
                pieces.push_back(d);
        for (const std::string& l : WrappedPieces(pieces))
            body.push_back(l);
    }
    body.push_back("");
    const bool adjusted = std::any_of(f.Writes.begin(), f.Writes.end(),
                                      [](const TServiceEntry& w) { return w.What == JournalCharacteristic; });
    body.push_back("Как оставлено: "
                   + (f.AsLeft     ? TestText(*f.AsLeft)
                      : adjusted   ? std::string("теста после записи нет")
                                   : std::string("как найдено (характеристика не записывалась)")));
    body.push_back("");
    body.push_back("Вывод: " + f.Verdict);
    body.push_back("    (" + f.VerdictReason + ")");
    body.push_back("Следующая регулировка: " + (f.NextDue == "не назначается" ? f.NextDue : "до " + f.NextDue));
    // The signature block is never split over two pages.
    const std::vector<std::string> signature = {
        "",
        "Наладчик: ______________________ (" + cert.Engineer + ")",
        "",
        "Подпись: ____________________             Дата: " + cert.Date,
    };
    const std::size_t room = kPageLines - 2;
    const std::size_t laterRoom = room - 2;
    const std::size_t pageRoom = body.size() <= room ? room : laterRoom;
    std::size_t used = body.size() <= room ? body.size() : (body.size() - room) % laterRoom;
    if (used == 0 && body.size() > room)
        used = laterRoom;   // the last page is full: the block begins the next one
    if (used + signature.size() > pageRoom)
        body.resize(body.size() + (pageRoom - used), "");
    body.insert(body.end(), signature.begin(), signature.end());
    return NumberedPages(FitLines(body), "Свидетельство о регулировке № " + number + " (продолжение)");
}
