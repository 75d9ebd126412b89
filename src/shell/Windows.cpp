#include "Windows.h"

#include "TADCF.h"
#include "TBLOW_F.h"
#include "ServiceDoor.h"
#include "TDebNewF.h"
#include "TFBazaF.h"
#include "TFormErrF.h"
#include "TKavNewF.h"
#include "TKavResultF.h"
#include "TKavrelF.h"
#include "TNewBazaF.h"
#include "TPrintF.h"
#include "TServerF.h"
#include "TSetupNewF.h"
#include "UiKit.h"

#include <QMessageBox>

void CreateWindows()
{
    InstallWarningDialogs();
    LoadServiceAccounts();
    // The start-up order; the main window comes first and owns the others.
    KavrelF = new TKavrelF;
    DebNewF = new TDebNewF(KavrelF);
    ADCF = new TADCF(KavrelF);
    BLOW_F = new TBLOW_F(KavrelF);
    NewBazaF = new TNewBazaF(KavrelF);
    KavResultF = new TKavResultF(KavrelF);
    PrintF = new TPrintF(KavrelF);
    FormErrF = new TFormErrF(KavrelF);
    FBazaF = new TFBazaF(KavrelF);
    KavNewF = new TKavNewF(KavrelF);
    SetupNewF = new TSetupNewF(KavrelF);
    ServerF = new TServerF(KavrelF);
    DebNewF->MeasuringCheck = ADCF;
    DebNewF->BlowCheck = BLOW_F;
    DebNewF->SensorBase = NewBazaF;
    NewBazaF->SensorTable = FBazaF;
}

void DestroyWindows()
{
    delete KavrelF; // owns the other windows
    KavrelF = nullptr;
    DebNewF = nullptr;
    ADCF = nullptr;
    BLOW_F = nullptr;
    NewBazaF = nullptr;
    KavResultF = nullptr;
    PrintF = nullptr;
    FormErrF = nullptr;
    FBazaF = nullptr;
    KavNewF = nullptr;
    SetupNewF = nullptr;
    ServerF = nullptr;
}

void TellServiceAccounts(QWidget* owner)
{
    const QString refusal = AccountsRefusalText();
    if (refusal.isEmpty())
        return;
    auto* box = new QMessageBox(QMessageBox::Warning, AppTitle(), refusal, QMessageBox::Ok, owner);
    box->setObjectName(QStringLiteral("AccountsRefused"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
