#include "ServiceRecord.h"

#include "UiKit.h"

#include <QMessageBox>

bool RecordServiceEntry(QWidget* owner, const TServiceEntry& entry)
{
    std::string error;
    if (AppendServiceEntry(entry, &error))
        return true;
    auto* box = new QMessageBox(QMessageBox::Warning, AppTitle(), Q(error), QMessageBox::Ok, owner);
    box->setObjectName(QStringLiteral("JournalWarning"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return false;
}
