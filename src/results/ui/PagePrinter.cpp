#include "PagePrinter.h"

#include "ProtocolPages.h"
#include "UiKit.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

QFont PageFont()
{
    static const QString family = QFontDatabase::families().contains(QStringLiteral("Courier New"))
                                      ? QStringLiteral("Courier New")
                                      : QStringLiteral("Liberation Mono");
    QFont font(family);
    font.setPixelSize(15);
    font.setFixedPitch(true);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

QString ProtocolCreator()
{
    return QStringLiteral("Каврел");
}

QPageLayout ProtocolPageLayout()
{
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Millimeter);
}

namespace {

void DrawPage(QPainter& painter, const std::vector<std::string>& page)
{
    const qreal ascent = QFontMetricsF(PageFont()).ascent();
    const std::vector<std::string> lines = VisiblePage(page);
    for (std::size_t i = 0; i < lines.size(); ++i)
        painter.drawText(QPointF(0, ascent + static_cast<qreal>(i) * PageLineHeight), Q(lines[i]));
}

QString PrinterError(const QPrinter& printer)
{
    const QString name = printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
    return QStringLiteral("Ошибка печати на принтере «%1».").arg(name);
}

} // namespace

bool DrawPages(QPagedPaintDevice& device, const std::vector<std::vector<std::string>>& pages)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    // Screen pixels (96 per inch) to device dots, as the window is sized.
    painter.scale(device.logicalDpiX() / 96.0, device.logicalDpiY() / 96.0);
    painter.setFont(PageFont());
    painter.setPen(Qt::black);
    bool ok = true;
    for (std::size_t i = 0; i < pages.size() && ok; ++i) {
        if (i > 0)
            ok = device.newPage();
        if (ok)
            DrawPage(painter, pages[i]);
    }
    return painter.end() && ok;
}

bool PrintPage(QPrinter& printer, const std::vector<std::string>& page, const QString& title, QString* error)
{
    return PrintPages(printer, {page}, title, error);
}

bool PrintPages(QPrinter& printer, const std::vector<std::vector<std::string>>& pages, const QString& title,
                QString* error)
{
    printer.setPageLayout(ProtocolPageLayout());
    printer.setDocName(title);
    printer.setCreator(ProtocolCreator());
    if (!DrawPages(printer, pages) || printer.printerState() == QPrinter::Error) {
        if (error)
            *error = PrinterError(printer);
        return false;
    }
    return true;
}
