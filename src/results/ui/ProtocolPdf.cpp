#include "ProtocolPdf.h"

#include "Files.h"
#include "PagePrinter.h"

#include <QBuffer>
#include <QPdfWriter>

QByteArray ProtocolPdf(const std::vector<std::vector<std::string>>& pages, const QString& title)
{
    // Drawn in memory, so that the file is written whole or not at all.
    QByteArray pdf;
    QBuffer buffer(&pdf);
    if (!buffer.open(QIODevice::WriteOnly))
        return {};
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(ProtocolPageLayout());
        writer.setTitle(title);
        writer.setCreator(ProtocolCreator());
        if (!DrawPages(writer, pages))
            return {};
    } // the writer finishes the document here
    return pdf;
}

bool WriteProtocolPdf(const std::string& fileName, const std::vector<std::vector<std::string>>& pages,
                      const QString& title, std::string* error)
{
    const QByteArray pdf = ProtocolPdf(pages, title);
    if (pdf.isEmpty()) {
        if (error)
            *error = fileName + ": не удалось построить документ PDF";
        return false;
    }
    return WriteFileAtomically(fileName, pdf.toStdString(), error);
}
