#pragma once
// The journal of a year as a CSV file, the format Russian spreadsheets and
// accounting programs open without asking: Windows-1251, fields separated
// by ";", CR LF, a heading line, decimal commas. A field holding ";", a
// quote or a line break is quoted; one that a spreadsheet would take for a
// formula (=, +, -, @ first) is kept as text by a leading apostrophe.
#include "RegisterView.h"

#include <string>

// "№;дата;время;ФИО;результат;прибор;сенсор;примечание"
extern const char* const JournalCsvHeading;

// One record as a CSV line (UTF-8, no line end). A date without its year
// is written "DD.MM.????", so that no spreadsheet puts this year into it.
std::string JournalCsvLine(const RegisterRecord& r);

// The file name the export offers: "Журнал_2026.csv", "Журнал_все_годы.csv".
std::string JournalCsvFileName(YearChoice year);

// Writes the chosen year's records (all months, all persons) into the file,
// replacing it whole. False, with the reason, on failure; `records` gets
// how many were written.
bool WriteJournalCsv(RegisterStore& store, YearChoice year, const std::string& fileName, long long* records,
                     std::string* error);
