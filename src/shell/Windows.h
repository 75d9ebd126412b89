#pragma once
// Creates every window of the program once, in a fixed order, the main
// window first. Windows are never destroyed before exit.
void CreateWindows();
// Destroys them at exit, the main window last.
void DestroyWindows();
// Reads the engineer accounts once (in CreateWindows); an accounts file
// refused as unsafe is told over `owner` at start.
class QWidget;
void TellServiceAccounts(QWidget* owner);
