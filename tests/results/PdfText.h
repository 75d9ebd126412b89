#pragma once
// The text of a PDF file as poppler's pdftotext reads it, layout kept.
#include <QProcess>
#include <QString>

inline QString PdfText(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Pages in the text: pdftotext ends every page with a form feed.
inline int PdfPages(const QString& text)
{
    return static_cast<int>(text.count(QLatin1Char('\f')));
}
