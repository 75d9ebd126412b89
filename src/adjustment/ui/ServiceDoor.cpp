#include "ServiceDoor.h"

#include "Certificate.h"
#include "ServiceRecord.h"
#include "ServiceSession.h"
#include "SignInGuard.h"
#include "TGasF.h"
#include "TSignInF.h"
#include "Text.h"
#include "UiKit.h"

#include <QDialog>
#include <QMessageBox>
#include <QSettings>

namespace {

TSignInGuard& Guard()
{
    static TSignInGuard guard;
    return guard;
}

} // namespace

QString AccountsRefusalText()
{
    if (ServiceAccounts().State != TAccountsState::Refused)
        return {};
    return QStringLiteral("Файл учетных записей наладчиков отклонен: %1.\nРежим наладки закрыт, пока файл не "
                          "исправлен (sudo kavrel --add-engineer ИМЯ; права 0644, владелец root).")
        .arg(Q(ServiceAccounts().Problem));
}

TServiceLimits ReadServiceLimits()
{
    TServiceLimits limits;
    QSettings ini(QStringLiteral("Kavrel.ini"), QSettings::IniFormat);
    bool ok = false;
    const QString tolerance = ini.value(QStringLiteral("service/tolerance")).toString().trimmed();
    if (!tolerance.isEmpty()) {
        const int t = static_cast<int>(ReadFixedPoint(S(tolerance), 2));
        if (t > 0 && t <= 100)
            limits.Tolerance = t;
    }
    const int months = ini.value(QStringLiteral("service/interval")).toInt(&ok);
    if (ok && months > 0 && months <= 120)
        limits.IntervalMonths = months;
    return limits;
}

void RunServiceSession(QWidget* owner, QDialog* window)
{
    const TAccounts& accounts = ServiceAccounts();
    if (accounts.State == TAccountsState::Refused) {
        QMessageBox box(QMessageBox::Warning, AppTitle(), AccountsRefusalText(), QMessageBox::Ok, owner);
        box.setObjectName(QStringLiteral("AccountsRefused"));
        box.exec();
        return;
    }
    const TServiceLimits limits = ReadServiceLimits();
    if (accounts.State == TAccountsState::None) {
        BeginSession(NoEngineer, limits.Tolerance, limits.IntervalMonths);
        window->exec();
        EndSession();
        return;
    }
    TSignInF signIn(accounts.Engineers, Guard(), owner);
    if (signIn.exec() != QDialog::Accepted)
        return;
    BeginSession(signIn.Engineer(), limits.Tolerance, limits.IntervalMonths);
    RecordServiceEntry(owner, NoteEntryNow(JournalSignIn, 0, 0, EngineerDetails(signIn.Engineer())));
    {
        TGasF gas(owner);
        gas.exec();   // a gas not stated now can be stated from the window
    }
    window->exec();
    RecordServiceEntry(owner, NoteEntryNow(JournalSignOut, 0, 0, EngineerDetails(signIn.Engineer())));
    EndSession();
}
