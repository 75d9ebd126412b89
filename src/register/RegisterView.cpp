#include "RegisterView.h"

#include "TestFiles.h"

#include <algorithm>

namespace {

bool Passes(const std::string& line, int personChoice, const std::string& name)
{
    return personChoice == 0 || line.find(name) != std::string::npos;
}

} // namespace

std::string PendingLineOf(const RegisterRecord& r)
{
    return JournalLineOf(r) + "  (ещё не записана в журнал)";
}

std::string UnrecordedLineOf(const std::string& line)
{
    return "     —  " + line + "  (нет записи в журнале)";
}

YearItems YearChoices(RegisterStore& store, int currentYear, bool linesWithoutYear, RegisterError* error)
{
    bool unknown = false;
    std::vector<int> years = store.Years(&unknown, error);
    if (std::find(years.begin(), years.end(), currentYear) == years.end()) {
        years.push_back(currentYear);
        std::sort(years.begin(), years.end());
    }
    YearItems items;
    items.texts.push_back("Все годы");
    items.choices.push_back({YearChoice::Kind::All, 0});
    for (int y : years) {
        items.texts.push_back(std::to_string(y));
        items.choices.push_back({YearChoice::Kind::One, y});
    }
    if (unknown || linesWithoutYear) {
        items.texts.push_back(NoteYearUnknown);
        items.choices.push_back({YearChoice::Kind::Unknown, 0});
    }
    return items;
}

JournalView ViewJournal(RegisterStore& store, YearChoice year, int monthChoice, int personChoice,
                        const std::string& selectedName, const std::deque<RegisterRecord>& pending,
                        const std::vector<UnrecordedLine>& unrecorded, std::size_t cap, RegisterError* error)
{
    JournalView view;
    if (personChoice != 0 && selectedName.empty())
        return view;
    RecordFilter filter;
    filter.unknownYear = year.kind == YearChoice::Kind::Unknown;
    if (year.kind == YearChoice::Kind::One)
        filter.year = year.year;
    filter.month = monthChoice > 0 ? monthChoice : 0;
    if (personChoice != 0)
        filter.lineHolds = selectedName;

    // The newest records first, then turned into number order.
    std::vector<JournalEntry> records;
    store.Read(filter, [&](RegisterRecord& r) {
        records.push_back({JournalLineOf(r), r.line, std::move(r)});
        return true;
    }, error, true, static_cast<long long>(cap));
    std::reverse(records.begin(), records.end());
    view.total = records.size() < cap ? static_cast<long long>(records.size()) : store.Count(filter, error);
    view.entries = std::move(records);
    const std::size_t fromRegister = view.entries.size();

    for (const RegisterRecord& r : pending) {
        const bool yearPasses = year.kind == YearChoice::Kind::All ||
                                (year.kind == YearChoice::Kind::One && r.year == year.year);
        if (yearPasses && (filter.month == 0 || r.month == filter.month) &&
            Passes(r.line, personChoice, selectedName))
            view.entries.push_back({PendingLineOf(r), r.line, std::nullopt});
    }
    if (year.kind != YearChoice::Kind::One)
        for (const UnrecordedLine& u : unrecorded)
            if ((filter.month == 0 || u.month == filter.month) && Passes(u.line, personChoice, selectedName))
                view.entries.push_back({UnrecordedLineOf(u.line), u.line, std::nullopt});
    view.total += static_cast<long long>(view.entries.size()) - static_cast<long long>(fromRegister);
    if (view.entries.size() > cap)
        view.entries.erase(view.entries.begin(),
                           view.entries.begin() + static_cast<std::ptrdiff_t>(view.entries.size() - cap));
    return view;
}
