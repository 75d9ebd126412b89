// Program start: create the windows, show the main window, run until it closes.
#include "KavrelApplication.h"
#include "QtRussian.h"
#include "RegisterStart.h"
#include "ServerStart.h"
#include "TKavrelF.h"
#include "Windows.h"

int main(int argc, char** argv)
{
    KavrelApplication app(argc, argv);
    LoadQtRussian();
    CreateWindows();
    KavrelF->show();
    KavrelF->activateWindow();
    StartRegister(KavrelF);
    StartServer(KavrelF);
    const int rc = app.exec();
    FinishServer();
    FinishRegister();
    DestroyWindows();
    return rc;
}
