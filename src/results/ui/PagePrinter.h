#pragma once
// Puts protocol pages on paper: 55 lines of 75 characters in the page font,
// at the top left corner of the page's printable area, sized as the print
// window shows them on a 96 dpi screen. One drawing serves the system
// printer and the PDF file, so a saved PDF looks like the printout.
#include <QFont>
#include <QPageLayout>
#include <QString>

#include <string>
#include <vector>

class QPagedPaintDevice;
class QPrinter;

// The page font: "Courier New" 15 pixels high where it is installed,
// otherwise "Liberation Mono", which has the same metrics.
QFont PageFont();

// Height of one page line, in pixels of a 96 dpi screen.
inline constexpr int PageLineHeight = 17;
// The page as the print window shows it, in pixels of a 96 dpi screen.
inline constexpr int PagePixelWidth = 692;
inline constexpr int PagePixelHeight = 938;

// The creator named in printed and saved protocols: the program.
QString ProtocolCreator();

// The sheet of every protocol page, printed or saved: A4 portrait with
// 10 mm margins. Every office printer keeps 10 mm, so the printer does not
// shift the text and the PDF matches the paper.
QPageLayout ProtocolPageLayout();

// Draws the pages in order, one sheet each (each page at most 55 lines of
// up to 75 characters, see VisiblePage), on a device whose page layout is
// set. The one drawing of protocol pages, for the printer and for PDF.
// False when the device cannot be painted on or a new sheet fails.
bool DrawPages(QPagedPaintDevice& device, const std::vector<std::vector<std::string>>& pages);

// Prints the page as one job titled `title`. False, with the print system's
// reason in `error`, when the job could not be started or the print system
// reports an error.
bool PrintPage(QPrinter& printer, const std::vector<std::string>& page, const QString& title, QString* error);
// Prints several pages as one job (a numbered document).
bool PrintPages(QPrinter& printer, const std::vector<std::vector<std::string>>& pages, const QString& title,
                QString* error);
