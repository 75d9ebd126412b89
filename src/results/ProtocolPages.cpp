#include "ProtocolPages.h"

#include "Cp1251.h"

#include <algorithm>

bool PrintActMode = false;

const std::vector<std::string>& FirstPageTemplate()
{
    static const std::vector<std::string> page = {
        "",
        "",
        "Штамп",
        "государственной",
        "организации",
        "здравоохранения",
        "",
        "                                                                      Форма",
        "",
        "                      АКТ ОСВИДЕТЕЛЬСТВОВАНИЯ N _____",
        "          по результатам проведения в организации здравоохранения",
        "     освидетельствования физического лица, в отношении которого ведется",
        "    административный процесс, подозреваемого, обвиняемого, потерпевшего",
        "       на предмет выявления состояния алкогольного опьянения и (или)",
        "         состояния, вызванного потреблением наркотических средств,",
        "        психотропных, токсических или других одурманивающих веществ",
        "",
        "___________________________________________________________________________",
        "               (место и дата проведения освидетельствования)",
        "___________________________________________________________________________",
        "        (Ф.И.О., должность врача, проводившего освидетельствование",
        "___________________________________________________________________________",
        "                  и составившего акт освидетельствования)",
        "___________________________________________________________________________",
        "        (Ф.И.О., год рождения освидетельствуемого физического лица)",
        "___________________________________________________________________________",
        "           (Ф.И.О., должность должностного лица органа, ведущего",
        "___________________________________________________________________________",
        "     административный процесс, следователя, дознавателя, доставившего",
        "___________________________________________________________________________",
        "                  физическое лицо на освидетельствование)",
        "Начало проведения освидетельствования _____________________________________",
        "                                           (дата, время (часы, минуты)",
        "___________________________________________________________________________",
        "  (обстоятельства, требующие установления у физического лица наличия или",
        "___________________________________________________________________________",
        " отсутствия состояния алкогольного опьянения и (или) состояния, вызванного",
        "___________________________________________________________________________",
        " потреблением наркотических средств, психотропных, токсических или других",
        "___________________________________________________________________________",
        "одурманивающих веществ, путем проведения освидетельствования, дата, точное",
        "                 время возникновения таких обстоятельств)",
        "При освидетельствовании выявлены следующие факты.",
        "Пробы  (проба)  с  использованием прибора, предназначенного для определения",
        "концентрации паров абсолютного этилового спирта в выдыхаемом воздухе.",
        "Проба 1. Название прибора _________________________________________________",
        "результат _________________________________________________ в ___ ч ___ мин",
        "Проба 2. Название прибора _________________________________________________",
        "результат _________________________________________________ в ___ ч ___ мин",
        "Получение  биологического  образца  для  лабораторного исследования в целях",
        "определения в нем концентрации абсолютного этилового спирта:",
        "забор биологического образца осуществлялся ________________ в ___ ч ___ мин",
        "результат лабораторного исследования ______________________________________",
        "___________________________________________________________________________",
        "___________________________________________________________________________",
    };
    return page;
}

const std::vector<std::string>& SecondPageTemplate()
{
    static const std::vector<std::string> page = {
        "Получение    биологического   образца   с   использованием   экспресс-теста",
        "(тест-полоски,   экспресс-пластины)   для   определения   наличия   в   нем",
        "наркотических средств, психотропных, токсических или  других одурманивающих",
        "веществ  (далее  -  экспресс-тест)  или  для  лабораторного исследования на",
        "наличие   наркотических   средств,  психотропных,  токсических  или  других",
        "одурманивающих веществ:",
        "забор биологического образца осуществлялся ________________ в ___ ч ___ мин",
        "название экспресс-теста _____________ результат ___________ в ___ ч ___ мин",
        "результат лабораторного исследования ______________________________________",
        "Другие  выполненные  врачом  или  иным специалистом действия по выявлению у",
        "освидетельствуемого   физического   лица   нарушений   физических  и  (или)",
        "психических функций и выявленные нарушения таких функций __________________",
        "___________________________________________________________________________",
        "___________________________________________________________________________",
        "По результатам освидетельствования вынесено заключение ____________________",
        "___________________________________________________________________________",
        "___________________________________________________________________________",
        "___________________________________________________________________________",
        "Запись освидетельствуемого физического лица об ознакомлении  с результатами",
        "пробы      (проб),      экспресс-теста,     лабораторного     исследования,",
        "освидетельствования _______________________________________________________",
        "___________________________________________________________________________",
        "___________________________________________________________________________",
        "___________________________________________________________________________",
        "              (подпись освидетельствуемого физического лица)",
        "Запись  об  отказе  освидетельствуемого  физического лица от ознакомления с",
        "результатами  пробы  (проб),  и  (или)  экспресс-теста (экспресс-тестов), и",
        "(или) лабораторного исследования, и (или) освидетельствования, об отказе от",
        "проведения  пробы (проб) и (или) от сдачи биологического образца (образцов)",
        "или отказе от освидетельствования _________________________________________",
        "___________________________________________________________________________",
        "___________________________________________________________________________",
        "___________________________________________________________________________",
        "         (указывается конкретно, от чего был отказ, подпись врача)",
        "",
        "Окончание проведения освидетельствования __________________________________",
        "                                             (дата, время (часы, минуты)",
        "___________________________________________________________________________",
        "",
        "______________________                              _______________________",
        "       (подпись)                                        (Ф.И.О. врача)",
        "М.П.",
        "",
    };
    return page;
}

namespace {

// Character positions count from 1, as on the printed form. The edits work
// on Windows-1251 bytes, where one character is one byte.

// Removes `count` characters from position `pos`; nothing outside the text.
void DeleteAt(std::string& s, int pos, int count)
{
    if (pos < 1 || pos > static_cast<int>(s.size()) || count <= 0)
        return;
    s.erase(pos - 1, std::min<std::size_t>(count, s.size() - (pos - 1)));
}

// Inserts `part` before position `pos`; past the end it is appended.
void InsertAt(const std::string& part, std::string& s, int pos)
{
    pos = std::clamp(pos, 1, static_cast<int>(s.size()) + 1);
    s.insert(pos - 1, part);
}

// Puts `part` over as many characters as it has, from position `pos`.
void ReplaceAt(std::string& s, int pos, const std::string& part)
{
    DeleteAt(s, pos, static_cast<int>(part.size()));
    InsertAt(part, s, pos);
}

std::string CopyAt(const std::string& s, int pos, int count)
{
    if (pos < 1 || pos > static_cast<int>(s.size()) || count <= 0)
        return std::string();
    return s.substr(pos - 1, count);
}

constexpr const char* kValueMark = "  -  ";
constexpr int kNameColumn = 15;
constexpr int kResultRoom = 22; // underscores from column 38 of line 46

struct RawEntry {
    bool hasValue = false;
    std::string dateTime, namePart, result; // Windows-1251
};

RawEntry ReadRaw(const std::string& line)
{
    RawEntry e;
    e.dateTime = CopyAt(line, 1, 11);
    const std::size_t found = line.find(kValueMark);
    const int p = found == std::string::npos ? 0 : static_cast<int>(found) + 1;
    if (p > kNameColumn)
        e.namePart = CopyAt(line, kNameColumn, p - (kNameColumn - 1));
    if (p > 0) {
        e.hasValue = true;
        const int from = p + 5;
        int n = 0;
        while (n < kResultRoom && from - 1 + n < static_cast<int>(line.size()) && line[from - 1 + n] != ' ')
            ++n;
        e.result = CopyAt(line, from, n);
    }
    return e;
}

} // namespace

int CharCount(const std::string& utf8)
{
    return static_cast<int>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::vector<std::string> VisiblePage(const std::vector<std::string>& text)
{
    std::vector<std::string> page;
    const std::size_t n = std::min<std::size_t>(text.size(), PageLineCount);
    page.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string& line = text[i];
        // Cut after the 75th character, never inside a character.
        std::size_t end = 0;
        int chars = 0;
        while (end < line.size()) {
            if ((static_cast<unsigned char>(line[end]) & 0xC0) != 0x80) {
                if (chars == PageWidth)
                    break;
                ++chars;
            }
            ++end;
        }
        page.push_back(line.substr(0, end));
    }
    return page;
}

ActEntry ReadActEntry(const std::string& line)
{
    const RawEntry raw = ReadRaw(ToCp1251(line));
    ActEntry e;
    e.hasValue = raw.hasValue;
    e.dateTime = FromCp1251(raw.dateTime);
    e.namePart = FromCp1251(raw.namePart);
    e.result = FromCp1251(raw.result);
    return e;
}

std::vector<std::string> BuildAct(const std::string& line)
{
    std::vector<std::string> page = FirstPageTemplate();
    const RawEntry e = ReadRaw(ToCp1251(line));
    if (!e.hasValue)
        return page;

    auto edit = [&page](int index, auto&& change) {
        std::string s = ToCp1251(page[index]);
        change(s);
        page[index] = FromCp1251(s);
    };
    if (!e.namePart.empty()) {
        edit(23, [&](std::string& s) {
            DeleteAt(s, 3, static_cast<int>(e.namePart.size()));
            InsertAt(e.namePart, s, 1);
            // A name longer than the line ends where the page does.
            if (s.size() > static_cast<std::size_t>(PageWidth))
                s.resize(PageWidth);
        });
    }
    edit(31, [&](std::string& s) { ReplaceAt(s, 39, e.dateTime); });
    edit(45, [&](std::string& s) { ReplaceAt(s, 38, ToCp1251("\"Каврел 12к\"")); });
    edit(46, [&](std::string& s) {
        ReplaceAt(s, 38, e.result);
        ReplaceAt(s, 63, CopyAt(e.dateTime, 7, 2) + " ");
        ReplaceAt(s, 69, CopyAt(e.dateTime, 10, 2) + " ");
    });
    return page;
}

std::vector<std::string> BuildRecordedAct(const std::string& line, long long number, const std::string& dateTime)
{
    std::vector<std::string> page = BuildAct(line);
    std::string& title = page[9];
    const std::size_t blank = title.rfind("_____");
    if (blank != std::string::npos)
        title.replace(blank, 5, std::to_string(number));
    if (ReadActEntry(line).hasValue) {
        std::string s = ToCp1251(page[31]);
        ReplaceAt(s, 39, ToCp1251(dateTime).substr(0, PageWidth - 38));
        page[31] = FromCp1251(s);
    }
    return page;
}

std::string ProtocolTitle(bool act)
{
    if (!act)
        return "Протокол";
    const std::string& line = FirstPageTemplate()[9];
    return line.substr(line.find_first_not_of(' '));
}
