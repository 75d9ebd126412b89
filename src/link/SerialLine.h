#pragma once
// The terminal device under the serial port component: opening it for
// exclusive use and setting the line. POSIX only, no Qt.
#include "CommTypes.h"

#include <string>

// Opens `path` for reading and writing without becoming its controlling
// terminal, non-blocking and closed on exec. Returns the descriptor, or -1
// with errno set.
int OpenLineDevice(const std::string& path);

// Takes the line for this program alone: TIOCEXCL (further opens fail) and
// an exclusive flock (a second program or window holding it fails too).
// Returns false with errno set (EWOULDBLOCK: someone holds it).
bool LockLineDevice(int fd);
// Gives up TIOCEXCL before the descriptor is closed, so that a device kept
// open elsewhere does not stay exclusive.
void UnlockLineDevice(int fd);

// Raw mode with CLOCAL and CREAD, speed, data bits, parity, stop bits,
// CTS/RTS and XON/XOFF flow, HUPCL cleared, VMIN 1 and VTIME 0; then DTR and
// RTS (pseudo-terminals' ENOTTY/EINVAL are ignored). Reads the settings back:
// returns false and says why when the device did not take them.
bool ApplyLineSettings(int fd, const TLineSettings& s, std::string* why);

// Asks the driver to hand bytes over at once (USB adapters otherwise hold
// them up to 16 ms). Failure is not an error; returns whether it took.
bool TryLowLatency(int fd);

// The system's reason for a failed open of `path`, in the program's words
// (with a hint where one helps, such as the "dialout" group).
std::string OpenFailureReason(const std::string& path, int error);
