#pragma once
// Puts one protocol page on paper: 55 lines of 75 characters in the page
// font, at the page's top left corner, sized as the print window shows
// them on a 96 dpi screen. The same drawing serves the system printer and
// a PDF file.
#include <QFont>
#include <QString>

#include <string>
#include <vector>

class QPrinter;

// The page font: "Courier New" 15 pixels high where it is installed,
// otherwise "Liberation Mono", which has the same metrics.
QFont PageFont();

// Height of one page line, in pixels of a 96 dpi screen.
inline constexpr int PageLineHeight = 17;
// The page as the print window shows it, in pixels of a 96 dpi screen.
inline constexpr int PagePixelWidth = 692;
inline constexpr int PagePixelHeight = 938;

// Prints the lines (at most 55 of up to 75 characters, see VisiblePage) as
// one page, one job. False, with the print system's reason in `error`, when
// the job could not be started or the print system reports an error.
bool PrintPage(QPrinter& printer, const std::vector<std::string>& page, QString* error);
