#include "ServerSettings.h"

#include <QSettings>
#include <QString>

namespace {

std::string Value(const QSettings& ini, const char* key)
{
    return ini.value(QStringLiteral("server/") + QLatin1String(key)).toString().trimmed().toStdString();
}

} // namespace

ServerSettings LoadServerSettings(const std::string& fileName)
{
    const QSettings ini(QString::fromStdString(fileName), QSettings::IniFormat);
    return {Value(ini, "post"), Value(ini, "connection"), Value(ini, "journal")};
}

bool SaveServerSettings(const ServerSettings& s, std::string* reason, const std::string& fileName)
{
    QSettings ini(QString::fromStdString(fileName), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("server"));
    ini.setValue(QStringLiteral("post"), QString::fromStdString(s.post));
    ini.setValue(QStringLiteral("connection"), QString::fromStdString(s.connection));
    if (s.journal.empty())
        ini.remove(QStringLiteral("journal"));
    else
        ini.setValue(QStringLiteral("journal"), QString::fromStdString(s.journal));
    ini.endGroup();
    ini.sync();
    if (ini.status() == QSettings::NoError)
        return true;
    if (reason)
        *reason = "файл " + fileName + " не может быть записан";
    return false;
}
