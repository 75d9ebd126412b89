#include "PagePrinter.h"

#include "ProtocolPages.h"
#include "UiKit.h"

#include <QFontDatabase>
#include <QFontMetricsF>
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

namespace {

QString PrinterError(const QPrinter& printer)
{
    const QString name = printer.outputFileName().isEmpty() ? printer.printerName() : printer.outputFileName();
    return QStringLiteral("Ошибка печати на принтере «%1».").arg(name);
}

} // namespace

bool PrintPage(QPrinter& printer, const std::vector<std::string>& page, QString* error)
{
    printer.setDocName(QStringLiteral("Каврел: протокол"));
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error)
            *error = PrinterError(printer);
        return false;
    }
    // Screen pixels (96 per inch) to printer dots, as the window is sized.
    painter.scale(printer.resolution() / 96.0, printer.resolution() / 96.0);
    painter.setFont(PageFont());
    painter.setPen(Qt::black);
    const qreal ascent = QFontMetricsF(PageFont()).ascent();
    const std::vector<std::string> lines = VisiblePage(page);
    for (std::size_t i = 0; i < lines.size(); ++i)
        painter.drawText(QPointF(0, ascent + static_cast<qreal>(i) * PageLineHeight), Q(lines[i]));
    const bool ended = painter.end();
    if (!ended || printer.printerState() == QPrinter::Error) {
        if (error)
            *error = PrinterError(printer);
        return false;
    }
    return true;
}
