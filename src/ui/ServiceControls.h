#pragma once
// Controls the service windows (adjustment, sensor database, sensor table)
// build alike: named labels, number edits, buttons and two-column grids.
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QWidget;

// A label whose caption is its spoken name.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text);
// A right-aligned edit with a fixed-pitch font for a number.
QLineEdit* MakeNumberEdit(QWidget* parent, const char* name, const QString& text, const QString& role,
                          bool readOnly = false);
// A push button that is never the window's default button.
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text);
// The size of a two-column grid.
struct TGridShape {
    int LabelWidth = 120;
    int ValueWidth = 70;
    int RowHeight = 18;
    int RowsShown = 0;   // 0: every row on screen; else that many, with a scroll bar
};

// A two-column grid: labels on the left, values right-aligned on the right
// in a fixed-pitch font; the values editable or not.
QTableWidget* MakeGrid(QWidget* parent, const char* name, const QString& role, int rows, bool editable,
                       const TGridShape& shape = {});
