#include "PersonList.h"

#include "Cp1251.h"
#include "Files.h"
#include "Text.h"
#include "TextCase.h"

#include <cerrno>
#include <string_view>

std::array<std::string, PersonSlots> PersonNames;
std::array<std::string, PersonSlots> PersonMarks;
int PersonCount = 0;
std::array<std::string, MaxPersons + 1> PersonNumberTexts;
std::array<std::string, MaxPersons + 1> ListedNames;
int SelectedPerson = 0;
std::string SelectedName;
bool PersonFileUnreadable = false;

namespace {
// Why the file is kept from saves, for the save's refusal.
std::string keptReason;
}

namespace {

void FillEmptySlots()
{
    PersonNames.fill(EmptyPersonSlot);
    PersonMarks.fill(PersonMark);
}

// Next line of `bytes` from `pos`; CR LF, LF or a lone CR ends it. Past the
// end of the text every line is empty.
std::string NextLine(std::string_view bytes, std::size_t& pos)
{
    if (pos >= bytes.size())
        return {};
    std::size_t end = pos;
    while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
        ++end;
    std::string line(bytes.substr(pos, end - pos));
    pos = end;
    if (pos < bytes.size() && bytes[pos++] == '\r' && pos < bytes.size() && bytes[pos] == '\n')
        ++pos;
    return FromCp1251(line);
}

} // namespace

void ResetPersonList()
{
    PersonNames.fill({});
    PersonMarks.fill({});
    PersonCount = 0;
    PersonNumberTexts.fill({});
    ListedNames.fill({});
    SelectedPerson = 0;
    SelectedName.clear();
    PersonFileUnreadable = false;
}

bool LoadPersonList(std::string* error)
{
    std::string bytes;
    PersonFileUnreadable = false;
    if (!FileExists(PersonFileName)) {
        FillEmptySlots();
        return WriteFileAtomically(PersonFileName, PersonFileBytes(), error);
    }
    if (!ReadWholeFile(PersonFileName, bytes)) {
        const int reason = errno;
        // The names are in the file, only out of reach: show an empty list
        // and keep every save away from the file.
        FillEmptySlots();
        PersonFileUnreadable = true;
        keptReason = std::string("файл ") + PersonFileName
                     + " не был прочитан, и его имена не будут заменены пустым списком";
        if (error)
            *error = std::string("Файл ") + PersonFileName + " не удаётся прочитать: " + FileErrorText(reason)
                     + ".\nСписок тестируемых пуст; файл оставлен без изменений.";
        return false;
    }
    std::size_t pos = 0;
    for (int k = 0; k < PersonSlots; ++k) {
        PersonNames[k] = NextLine(bytes, pos);
        PersonMarks[k] = NextLine(bytes, pos);
    }
    // Names past the 501 records (a hand-edited or merged file) would be
    // cut off by the next save: the file is shown, and kept as it is. Empty
    // records and lines there lose nothing.
    if (bytes.find_first_not_of("\r\n ;", pos) != std::string::npos) {
        PersonFileUnreadable = true;
        keptReason = std::string("файл ") + PersonFileName
                     + " длиннее списка из 501 записи, и его строки после 1002-й были бы потеряны";
        if (error)
            *error = std::string("Файл ") + PersonFileName
                     + " длиннее списка из 501 записи: строки после 1002-й не показаны."
                       "\nФайл оставлен без изменений, новые имена в него не записываются.";
        return false;
    }
    return true;
}

void NumberPersonList()
{
    PersonCount = 0;
    for (int k = 0; k < PersonSlots && PersonCount < MaxPersons; ++k) {
        if (PersonNames[k] == EmptyPersonSlot)
            break;
        ++PersonCount;
        PersonNumberTexts[PersonCount] = FormatInt(PersonCount, 3);
        ListedNames[PersonCount] = PersonNames[k];
    }
    for (int n = PersonCount + 1; n <= MaxPersons; ++n) {
        PersonNumberTexts[n].clear();
        ListedNames[n].clear();
    }
}

void SelectPerson(int row)
{
    SelectedPerson = row;
    SelectedName = (row >= 1 && row <= MaxPersons) ? ListedNames[row] : std::string();
}

bool AddPerson(const std::string& name, bool* saved, std::string* error)
{
    if (SameTextIgnoringCase(name, SelectedName) || PersonCount >= MaxPersons)
        return false;
    // A line break inside a name would split its record in two.
    std::string line = name;
    for (char& c : line)
        if (c == '\r' || c == '\n')
            c = ' ';
    PersonNames[PersonCount] = line;
    PersonMarks[PersonCount] = PersonMark;
    NumberPersonList();
    const bool ok = SavePersonList(error);
    if (saved)
        *saved = ok;
    SelectPerson(PersonCount);
    return true;
}

bool SavePersonList(std::string* error)
{
    if (PersonFileUnreadable) {
        if (error)
            *error = keptReason;
        return false;
    }
    return WriteFileAtomically(PersonFileName, PersonFileBytes(), error);
}

std::string PersonFileBytes()
{
    std::string bytes;
    bytes.reserve(PersonSlots * 8);
    for (int k = 0; k < PersonSlots; ++k) {
        bytes += ToCp1251(PersonNames[k]);
        bytes += "\r\n";
        bytes += ToCp1251(PersonMarks[k]);
        bytes += "\r\n";
    }
    return bytes;
}
