#include "RegisterImport.h"

#include "Files.h"
#include "Journal.h"
#include "TestFiles.h"

#include <algorithm>

std::vector<RegisterRecord> ImportMonthFiles(int currentMonth, const std::deque<RegisterRecord>& pending)
{
    std::vector<RegisterRecord> records;
    for (int month : JournalMonths(currentMonth, 0)) {
        std::string bytes;
        if (!ReadWholeFile(MonthFileNameFor(month), bytes))
            continue;
        std::vector<std::string> lines;
        AddFileLines(bytes, lines);
        // A pending test's line is the last of its kind in its file.
        for (const RegisterRecord& p : pending) {
            if (p.monthFile != MonthFileNameFor(month) || p.note == NoteLineNotWritten)
                continue;
            const auto last = std::find(lines.rbegin(), lines.rend(), p.line);
            if (last != lines.rend())
                lines.erase(std::next(last).base());
        }
        for (const std::string& line : lines)
            records.push_back(ImportedRecordOf(month, line));
    }
    return records;
}
