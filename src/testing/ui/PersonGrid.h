#pragma once
// The person grid `tab_FIO` shown by the online test window and the results
// window: three columns 40, 261 and 61 pixels wide, rows 17 pixels high,
// whole-row selection. The empty header row is grid row 0; grid rows 1..500
// hold the numbered names (number text in column 0, name in column 1,
// column 2 empty), so the 500th name has a row of its own.
//
// Grid rows are counted as the person list counts them: row n shows
// ListedNames[n]. A window connects its handlers to the table's signals
// (cellClicked = tab_FIOClick, cellDoubleClicked = tab_FIODblClick,
// currentCellChanged = tab_FIOSelectCell) and calls PersonGridRow() in them.
#include <QTableWidget>

class QWidget;

// A new, empty grid named "tab_FIO". Taking the keyboard focus does not
// make a row current (no selection happens on focus alone).
QTableWidget* MakePersonGrid(QWidget* parent);

// Fills grid rows 1..500 from PersonNumberTexts and ListedNames.
void ShowPersonList(QTableWidget* grid);

// The current grid row (1..500), or 0 when no row is current.
int PersonGridRow(const QTableWidget* grid);

// Makes grid row `row` (1..500) current and shows it; 0 clears the current
// row. Emits the table's currentCellChanged like a user's choice would.
void SetPersonGridRow(QTableWidget* grid, int row);
