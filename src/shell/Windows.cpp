#include "Windows.h"

#include "TKavrelF.h"
#include "TSetupNewF.h"
#include "UiKit.h"

void CreateWindows()
{
    InstallWarningDialogs();
    KavrelF = new TKavrelF;
    SetupNewF = new TSetupNewF(KavrelF);
}

void DestroyWindows()
{
    delete KavrelF; // owns the other windows
    KavrelF = nullptr;
    SetupNewF = nullptr;
}
