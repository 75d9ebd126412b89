// Program start: create the windows, show the main window, run until it
// closes. "--add-engineer NAME" and "--remove-engineer NAME" manage the
// engineer accounts instead, without windows.
#include "EngineerCommand.h"
#include "KavrelApplication.h"
#include "QtRussian.h"
#include "RegisterStart.h"
#include "TKavrelF.h"
#include "Windows.h"

#include <iostream>

int main(int argc, char** argv)
{
    int rcCommand = 0;
    if (RunEngineerCommand(std::vector<std::string>(argv + 1, argv + argc), std::cin, std::cout, std::cerr, &rcCommand))
        return rcCommand;
    KavrelApplication app(argc, argv);
    LoadQtRussian();
    CreateWindows();
    KavrelF->show();
    KavrelF->activateWindow();
    StartRegister(KavrelF);
    TellServiceAccounts(KavrelF);
    const int rc = app.exec();
    FinishRegister();
    DestroyWindows();
    return rc;
}
