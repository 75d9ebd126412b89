#pragma once
// The way into the adjustment window. With engineer accounts the engineer
// signs in first (TSignInF), states the session's gas (TGasF; it can be
// stated later from the window too), and the session ends with the window;
// sign-in and sign-out are journal lines. Without an accounts file the
// window opens at once, the engineer "не указан". An accounts file that is
// unsafe keeps the window closed and says why.
#include "Engineers.h"

#include <QString>

class QDialog;
class QWidget;

// What to tell at start about a refused accounts file; empty when fine.
QString AccountsRefusalText();

// The tolerance and service interval of Kavrel.ini ([service] tolerance in
// promille, interval in months); 0.05 and 12 when absent or not numbers.
struct TServiceLimits {
    int Tolerance = 5;
    int IntervalMonths = 12;
};
TServiceLimits ReadServiceLimits();

// Opens a session and runs `window` modally over `owner` (see above).
void RunServiceSession(QWidget* owner, QDialog* window);
