// The person list "Personal.txt" with any content, then names added.
//  - load -> save -> load keeps every slot, and the file saved is the list;
//  - the list never holds more than 500 names, and adding stops there;
//  - a file that cannot be read (here: a folder of that name) or that runs
//    on past its 501 records is reported by the load and never saved over,
//    not even by adding a name.
//
// Input: a flag byte (bit 0: the name is a folder; bit 1: the file starts
// with a number of generated names, so that the 500 limit is reached), the
// count of generated names, up to four names to add each with the grid row
// selected before, then the file's bytes.
#include "FuzzSupport.h"

#include "Cp1251.h"
#include "Files.h"
#include "PersonList.h"

#include <filesystem>
#include <string>
#include <vector>

namespace {

struct Slots {
    std::array<std::string, PersonSlots> names, marks;
    bool operator==(const Slots&) const = default;
};

FUZZ_UNTRACED Slots Current() { return {PersonNames, PersonMarks}; }

// More than the file's 501 records: a line past them holds more than an
// empty record (" " and ";") would.
FUZZ_UNTRACED bool RunsOnPastTheList(const std::string& bytes)
{
    std::size_t pos = 0;
    for (int line = 0; line < 2 * PersonSlots && pos < bytes.size(); ++line) {
        while (pos < bytes.size() && bytes[pos] != '\r' && bytes[pos] != '\n')
            ++pos;
        if (pos < bytes.size() && bytes[pos++] == '\r' && pos < bytes.size() && bytes[pos] == '\n')
            ++pos;
    }
    return bytes.find_first_not_of("\r\n ;", pos) != std::string::npos;
}

// Adding a name must be refused without touching a file that is kept.
void AddingLeavesTheFileAlone(const std::string& name)
{
    bool saved = true;
    std::string error;
    if (AddPerson(name, &saved, &error))
        FUZZ_CHECK(!saved && !error.empty());
    error.clear();
    FUZZ_CHECK(!SavePersonList(&error) && !error.empty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    EnterFuzzFolder();
    FuzzInput in(data, size);
    const std::uint8_t flags = in.Byte();
    const int generated = (flags & 2) ? in.Range(0, 520) : 0;
    std::vector<std::pair<int, std::string>> adds;
    for (int n = in.Range(0, 4); n > 0; --n) {
        const int row = in.Range(0, 501);
        adds.emplace_back(row, FromCp1251(in.Bytes(in.Byte() % 40)));
    }
    std::string file;
    for (int k = 0; k < generated; ++k)
        file += ToCp1251("Тестируемый " + std::to_string(k)) + "\r\n;\r\n";
    file += in.Rest();

    std::error_code ignored;
    std::filesystem::remove_all(PersonFileName, ignored);
    ResetPersonList();

    if (flags & 1) {
        std::filesystem::create_directory(PersonFileName);
        std::string error;
        FUZZ_CHECK(!LoadPersonList(&error) && !error.empty());
        FUZZ_CHECK(PersonFileUnreadable);
        NumberPersonList();
        FUZZ_CHECK(PersonCount == 0);
        for (const auto& add : adds)
            AddingLeavesTheFileAlone(add.second);
        FUZZ_CHECK(std::filesystem::is_directory(PersonFileName));
        return 0;
    }

    FuzzPutFile(PersonFileName, file);
    std::string error;
    const bool loaded = LoadPersonList(&error);
    const bool tooLong = RunsOnPastTheList(file);
    FUZZ_CHECK(loaded == !tooLong);
    FUZZ_CHECK(PersonFileUnreadable == tooLong);
    FUZZ_CHECK(error.empty() == loaded);
    for (int k = 0; k < PersonSlots; ++k)
        FUZZ_CHECK(PersonNames[k].find_first_of("\r\n") == std::string::npos
                   && PersonMarks[k].find_first_of("\r\n") == std::string::npos);
    NumberPersonList();
    FUZZ_CHECK(PersonCount >= 0 && PersonCount <= MaxPersons);
    if (tooLong) {
        for (const auto& add : adds)
            AddingLeavesTheFileAlone(add.second);
        FUZZ_CHECK(FuzzFileBytes(PersonFileName) == file);
        return 0;
    }

    const Slots first = Current();
    FUZZ_CHECK(SavePersonList());
    FUZZ_CHECK(FuzzFileBytes(PersonFileName) == PersonFileBytes());
    ResetPersonList();
    FUZZ_CHECK(LoadPersonList());
    FUZZ_CHECK(Current() == first);

    for (const auto& [row, name] : adds) {
        NumberPersonList();
        SelectPerson(row);
        const int before = PersonCount;
        bool saved = false;
        const bool added = AddPerson(name, &saved);
        FUZZ_CHECK(PersonCount <= MaxPersons);
        if (before >= MaxPersons)
            FUZZ_CHECK(!added);
        if (!added)
            continue;
        FUZZ_CHECK(saved);
        FUZZ_CHECK(PersonNames[before].find_first_of("\r\n") == std::string::npos);
        FUZZ_CHECK(PersonMarks[before] == PersonMark);
        const Slots now = Current();
        ResetPersonList();
        FUZZ_CHECK(LoadPersonList());
        FUZZ_CHECK(Current() == now);
    }
    return 0;
}
