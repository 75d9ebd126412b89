#include "Windows.h"

#include "TFormErrF.h"
#include "TKavNewF.h"
#include "TKavResultF.h"
#include "TKavrelF.h"
#include "TPrintF.h"
#include "TSetupNewF.h"
#include "UiKit.h"

void CreateWindows()
{
    InstallWarningDialogs();
    // The start-up order; the main window comes first and owns the others.
    KavrelF = new TKavrelF;
    KavResultF = new TKavResultF(KavrelF);
    PrintF = new TPrintF(KavrelF);
    FormErrF = new TFormErrF(KavrelF);
    KavNewF = new TKavNewF(KavrelF);
    SetupNewF = new TSetupNewF(KavrelF);
}

void DestroyWindows()
{
    delete KavrelF; // owns the other windows
    KavrelF = nullptr;
    KavResultF = nullptr;
    PrintF = nullptr;
    FormErrF = nullptr;
    KavNewF = nullptr;
    SetupNewF = nullptr;
}
