#pragma once
// The person list: the names of the people who are tested, kept in the file
// "Personal.txt" of the working folder and shown in the grids `tab_FIO` of
// the online test window and the results window.
//
// The file is Windows-1251 text with CR LF line ends: 501 records of two
// lines, 1002 lines in all. Line 2k+1 is name slot k (a single space " "
// marks an empty slot), line 2k+2 its mark (always ";" when written here).
// Names fill the slots from 0 upward without gaps, because a name is only
// ever added at the first empty slot; so at most 500 names are kept.
//
// All of it is program-wide state (texts are UTF-8 inside the program):
//   PersonNames / PersonMarks  the 501 slots as read or last changed;
//   PersonCount                names before the first empty slot (0..500);
//   PersonNumberTexts[n]       "  1".."500", n = 1..PersonCount;
//   ListedNames[n]             the name numbered n, n = 1..PersonCount;
//   SelectedPerson             the grid row last selected (0 = none);
//   SelectedName               the listed name of that row ("" when empty).
// Entries of PersonNumberTexts / ListedNames past PersonCount are empty.
//
// Typical use by a window:
//   LoadPersonList(); NumberPersonList(); <fill the grid rows 1..500>;
//   on a row change: SelectPerson(row); <edit shows SelectedName>;
//   on "Добавить в таб.": if (AddPerson(edit text)) <refill grid, go to row
//   SelectedPerson>; when leaving the window: SavePersonList().
#include <array>
#include <string>

inline constexpr const char* PersonFileName = "Personal.txt";
inline constexpr int PersonSlots = 501;
inline constexpr int MaxPersons = 500;
inline constexpr const char* EmptyPersonSlot = " ";
inline constexpr const char* PersonMark = ";";

extern std::array<std::string, PersonSlots> PersonNames;
extern std::array<std::string, PersonSlots> PersonMarks;
extern int PersonCount;
extern std::array<std::string, MaxPersons + 1> PersonNumberTexts;
extern std::array<std::string, MaxPersons + 1> ListedNames;
extern int SelectedPerson;
extern std::string SelectedName;

// Empties every slot and the numbering, selection included (program start,
// tests). Touches no file.
void ResetPersonList();

// Reads "Personal.txt" into the slots. A missing file is created holding 501
// empty records (" " and ";") and the slots are set likewise. Lines missing
// at the end of a short file read as empty strings; CR LF, LF and CR all end
// a line. Returns false, with the message for the user in `error`, when the
// file is there but cannot be read (the slots are then empty), when it holds
// names past its 501 records (the slots get the first 501; a save would drop
// the rest), or when a missing file could not be created. A file that could
// not be taken in whole is never saved over until a later load takes it.
bool LoadPersonList(std::string* error = nullptr);

// True while the last load found "Personal.txt" but could not take it in
// whole: it could not be read, or it runs on past its 501 records.
extern bool PersonFileUnreadable;

// Counts the names up to the first empty slot (at most 500) and fills the
// number texts and listed names. A slot holding "" counts as a person with
// an empty name. Entries past the count are emptied.
void NumberPersonList();

// Takes grid row `row` as the selected person: SelectedPerson := row,
// SelectedName := ListedNames[row] (empty outside 1..500).
void SelectPerson(int row);

// Adds `name` at the first empty slot, unless it equals SelectedName apart
// from letter case or the list already holds 500 names (then returns false
// and changes nothing). Otherwise numbers the list again, saves it, and
// selects the new name (SelectedPerson := PersonCount). Returns true when
// the name was added; `saved` (if given) tells whether the file was written,
// with the system's reason in `error`.
bool AddPerson(const std::string& name, bool* saved = nullptr, std::string* error = nullptr);

// Writes all 501 records to "Personal.txt" in one step (a temporary file
// synced and renamed over the old one). A missing file is written whole as
// well, so no name is ever lost. False, with the reason, on failure, and
// while the file could not be taken in whole (PersonFileUnreadable).
bool SavePersonList(std::string* error = nullptr);

// The file's bytes for the current slots (Windows-1251, CR LF).
std::string PersonFileBytes();
