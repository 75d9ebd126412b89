#pragma once
// The test register for one run of the program: opened (or created) at
// start, with what went wrong told; while records wait in memory it is
// tried again every few seconds; before the program ends what still waits
// is written, or the user is asked to make room and try again.
class QWidget;

// Opens Kavrel.db in the working folder and makes it the program's
// Register. Messages go over `owner`.
void StartRegister(QWidget* owner);

// Writes what waits (asking to try again while it cannot) and closes the
// register; Register is null afterwards.
void FinishRegister();
