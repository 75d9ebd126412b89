#include "FileDialogs.h"

#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>

namespace {

class NameOnlyIcons : public QFileIconProvider {
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo& info) const override
    {
        return icon(info.isDir() ? QAbstractFileIconProvider::Folder : QAbstractFileIconProvider::File);
    }
    QString type(const QFileInfo& info) const override
    {
        if (info.isDir())
            return QStringLiteral("Папка");
        return info.suffix().isEmpty() ? QStringLiteral("Файл") : QStringLiteral("Файл %1").arg(info.suffix());
    }
};

} // namespace

void KeepFilesUnopened(QFileDialog* dialog)
{
    static NameOnlyIcons icons; // outlives every dialog
    dialog->setIconProvider(&icons);
}
