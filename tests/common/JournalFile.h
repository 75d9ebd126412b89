#pragma once
// The service journal Service.txt of the working folder as the tests read
// it: line by line, each of which must end in CR LF.
#include "Cp1251.h"
#include "Files.h"

#include <QString>
#include <QStringList>

#include <string>

inline QStringList ServiceJournalLines()
{
    std::string bytes;
    if (!ReadWholeFile("Service.txt", bytes))
        return {QStringLiteral("(no Service.txt)")};
    QStringList lines;
    std::size_t from = 0;
    while (from < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", from);
        if (end == std::string::npos) {
            lines << QStringLiteral("(no CR LF) ") + QString::fromStdString(FromCp1251(bytes.substr(from)));
            break;
        }
        lines << QString::fromStdString(FromCp1251(bytes.substr(from, end - from)));
        from = end + 2;
    }
    return lines;
}

inline const QString ServiceJournalHeadingLine = QStringLiteral("дата;время;прибор;сенсор;наладчик;сеанс;запись;проверка;подробности;конец");
