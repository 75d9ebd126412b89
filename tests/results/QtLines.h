#pragma once
// Program lines (UTF-8 std::string) as Qt strings, for comparisons in tests.
#include <QStringList>

#include <string>
#include <vector>

inline QStringList Strings(const std::vector<std::string>& lines)
{
    QStringList list;
    for (const auto& s : lines)
        list << QString::fromStdString(s);
    return list;
}
