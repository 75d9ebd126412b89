#include "PortNames.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// 1..11 for "COM1".."COM11", else 0.
int ComNumber(const std::string& name)
{
    if (name.size() < 4 || name.size() > 5 || name.compare(0, 3, "COM") != 0)
        return 0;
    int n = 0;
    for (std::size_t i = 3; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9')
            return 0;
        n = n * 10 + (name[i] - '0');
    }
    if (name[3] == '0')
        return 0; // "COM01" is not a port name
    return n >= 1 && n <= 11 ? n : 0;
}

} // namespace

std::string PortDevicePath(const std::string& name)
{
    if (!name.empty() && name[0] == '/')
        return name;
    const int n = ComNumber(name);
    if (n == 0)
        return {};
    struct stat st;
    if (lstat(name.c_str(), &st) == 0)
        return name; // the working folder's entry, even a dangling link
    return "/dev/ttyS" + std::to_string(n - 1);
}

TPortDevice DescribePortDevice(const std::string& name)
{
    TPortDevice d;
    d.path = PortDevicePath(name);
    if (d.path.empty())
        return d;
    struct stat st;
    if (lstat(d.path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (realpath(d.path.c_str(), resolved))
            d.target = resolved;
        else {
            // Dangling: show where the link points.
            char link[PATH_MAX];
            const ssize_t n = readlink(d.path.c_str(), link, sizeof link - 1);
            if (n > 0)
                d.target.assign(link, static_cast<std::size_t>(n));
        }
    }
    d.present = stat(d.path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
    return d;
}
