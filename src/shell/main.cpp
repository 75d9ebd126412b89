// Program start: create the windows, show the main window, run until it
// closes. "--add-engineer NAME" and "--remove-engineer NAME" manage the
// engineer accounts instead, without windows.
#include "EngineerCommand.h"
#include "KavrelApplication.h"
#include "QtRussian.h"
#include "RegisterStart.h"
#include "ServerStart.h"
#include "ServerTask.h"
#include "TKavrelF.h"
#include "Windows.h"

#include <cstdio>
#include <cstdlib>
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
    StartServer(KavrelF);
    TellServiceAccounts(KavrelF);
    const int rc = app.exec();
    FinishServer();
    FinishRegister();
    DestroyWindows();
    // A thread still waiting for the journal's server (within its time
    // limits) would meet Qt's SQL drivers and the application being taken
    // down under it. Everything of the post's own is written and closed by
    // now, so the program then ends without running those destructors.
    if (!WaitForServerTasks(1000) || ServerWorkRunning()) {
        std::fflush(nullptr);
        std::_Exit(rc);
    }
    return rc;
}
