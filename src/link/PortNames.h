#pragma once
// Where a port name of the settings leads on this machine. No Qt.
//
// "COM1".."COM11" resolve to the entry of that name in the working folder
// when there is one (normally a symbolic link to /dev/ttyUSB0, to
// /dev/serial/by-id/..., or to a pseudo-terminal), otherwise to /dev/ttyS0
// .. /dev/ttyS10. A name starting with "/" is taken as it is. Anything else
// ("Автоном." included) is no port.
#include <string>

// The path to open for `name`, or an empty text when the name is no port.
std::string PortDevicePath(const std::string& name);

struct TPortDevice {
    std::string path;     // what is opened; empty when the name is no port
    std::string target;   // where a symbolic link leads in the end (empty if none)
    bool present = false; // a character device is there
};

// The path for `name`, the device it leads to and whether it is there.
TPortDevice DescribePortDevice(const std::string& name);
