#pragma once
// What every service window does with a line of the service journal: it is
// appended at once, and a journal that cannot be written is told in a
// warning box that waits for nobody (the write into the instrument goes on,
// its verdict is told on its own). One line, one append, so a failure is
// told once per write.
#include "ServiceJournal.h"

class QWidget;

// Appends the entry to Service.txt; on failure opens the box
// "JournalWarning" over `owner` with the file's name and the reason.
// False when the line could not be written.
bool RecordServiceEntry(QWidget* owner, const TServiceEntry& entry);
