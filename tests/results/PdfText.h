#pragma once
// The text of a PDF file as poppler's pdftotext reads it.
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <cmath>

inline QString Pdftotext(const QStringList& options, const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), QStringList(options) << pdf << QStringLiteral("-"));
    if (!p.waitForFinished(30000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text with its layout kept as well as pdftotext guesses it.
inline QString PdfText(const QString& pdf)
{
    return Pdftotext({QStringLiteral("-layout")}, pdf);
}

// Pages in the text: pdftotext ends every page with a form feed.
inline int PdfPages(const QString& text)
{
    return static_cast<int>(text.count(QLatin1Char('\f')));
}

// A protocol page is a grid of characters 9 by 17 screen pixels (6.75 by
// 12.75 points) from the top left corner of its 10 mm margins.
struct PageGrid {
    double left = 10 / 25.4 * 72;
    double top = 10 / 25.4 * 72;
    double column = 6.75;
    double line = 12.75;
};

struct PdfPage {
    double width = 0; // points
    double height = 0;
    QStringList lines; // every word put back at its column and line
};

// Each page's text rebuilt from the positions of its words (pdftotext
// -bbox), so blanks and empty lines come out exactly, unlike -layout, which
// merges runs of blanks and drops empty lines at the top.
inline QList<PdfPage> PdfPagesOnGrid(const QString& pdf, const PageGrid& grid = {})
{
    static const QRegularExpression pageTag(QStringLiteral("<page width=\"([0-9.]+)\" height=\"([0-9.]+)\">"));
    static const QRegularExpression wordTag(
        QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"[0-9.]+\">(.*)</word>"));
    QList<PdfPage> pages;
    for (const QString& row : Pdftotext({QStringLiteral("-bbox")}, pdf).split(QLatin1Char('\n'))) {
        if (const auto page = pageTag.match(row); page.hasMatch()) {
            pages.append({page.captured(1).toDouble(), page.captured(2).toDouble(), {}});
            continue;
        }
        const auto word = wordTag.match(row);
        if (!word.hasMatch() || pages.isEmpty())
            continue;
        QString text = word.captured(3);
        text.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
            .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
            .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
            .replace(QStringLiteral("&apos;"), QStringLiteral("'"))
            .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        const int column = static_cast<int>(std::lround((word.captured(1).toDouble() - grid.left) / grid.column));
        const int line = static_cast<int>(std::lround((word.captured(2).toDouble() - grid.top) / grid.line));
        if (column < 0 || line < 0)
            continue; // left of or above the margins: left out, so no page matches
        QStringList& lines = pages.last().lines;
        while (lines.size() <= line)
            lines.append(QString());
        QString& target = lines[line];
        if (target.size() < column)
            target += QString(column - target.size(), QLatin1Char(' '));
        target = target.left(column) + text + target.mid(column + text.size());
    }
    return pages;
}
