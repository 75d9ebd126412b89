#pragma once
// The shared journal for one run of the program: the sender of the
// register to the server ([server] of Kavrel.ini), started after the
// register; its state in one field of the main window's status bar;
// a discrepancy the server shows told once in a message. The dialog
// "Сервер журнала" hands its saved settings to the sender.
class QMainWindow;
class JournalSending;

void StartServer(QMainWindow* owner);
void FinishServer();

// The run's sender (null before StartServer and after FinishServer).
JournalSending* ServerSending();
