#include "SerialLine.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct SpeedCode {
    std::uint32_t baud;
    speed_t code;
};

constexpr SpeedCode kSpeeds[] = {
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

bool SpeedFor(std::uint32_t baud, speed_t& code)
{
    for (const SpeedCode& s : kSpeeds)
        if (s.baud == baud) {
            code = s.code;
            return true;
        }
    return false;
}

tcflag_t SizeFlag(TByteSize size)
{
    switch (size) {
    case TByteSize::_5: return CS5;
    case TByteSize::_6: return CS6;
    case TByteSize::_7: return CS7;
    case TByteSize::_8: break;
    }
    return CS8;
}

tcflag_t ParityFlags(TParity parity)
{
    switch (parity) {
    case TParity::None: return 0;
    case TParity::Odd: return PARENB | PARODD;
    case TParity::Even: return PARENB;
    case TParity::Mark: return PARENB | PARODD | CMSPAR;
    case TParity::Space: return PARENB | CMSPAR;
    }
    return 0;
}

// Sets or clears a modem line. Pseudo-terminals have none (ENOTTY/EINVAL),
// and a port refusing it keeps the line as it was: the instrument uses
// neither DTR nor RTS, so the result is not checked.
void SetModemLine(int fd, int line, bool on)
{
    (void)ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line);
}

} // namespace

double CharacterBits(const TLineSettings& s)
{
    double bits = 1 + 5 + static_cast<int>(s.ByteSize);
    if (s.Parity != TParity::None)
        bits += 1;
    bits += s.StopBits == TStopBits::_1 ? 1.0 : s.StopBits == TStopBits::_1_5 ? 1.5 : 2.0;
    return bits;
}

int OpenLineDevice(const std::string& path)
{
    return open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

bool LockLineDevice(int fd)
{
    if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        return false;
    if (ioctl(fd, TIOCEXCL) != 0) {
        const int e = errno;
        flock(fd, LOCK_UN);
        errno = e;
        return false;
    }
    return true;
}

void UnlockLineDevice(int fd)
{
    ioctl(fd, TIOCNXCL);
}

bool ApplyLineSettings(int fd, const TLineSettings& s, std::string* why)
{
    auto fail = [why](const std::string& text) {
        if (why)
            *why = text;
        return false;
    };
    speed_t speed;
    if (!SpeedFor(s.BaudRate, speed))
        return fail("скорость " + std::to_string(s.BaudRate) + " бод не поддерживается");
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return fail(std::string("настройки линии не читаются: ") + std::strerror(errno));
    cfmakeraw(&t);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | HUPCL);
    t.c_cflag |= CLOCAL | CREAD | SizeFlag(s.ByteSize) | ParityFlags(s.Parity);
    if (s.StopBits != TStopBits::_1)
        t.c_cflag |= CSTOPB; // with 5 data bits the line gives 1.5
    if (s.Outx_CtsFlow || s.RtsControl == TRtsControl::RtsHandshake)
        t.c_cflag |= CRTSCTS;
    t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | IGNPAR | PARMRK);
    if (s.ParityCheck)
        t.c_iflag |= INPCK;
    if (s.Outx_XonXoffFlow)
        t.c_iflag |= IXON;
    if (s.Inx_XonXoffFlow)
        t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(s.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.XoffChar);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    if (tcsetattr(fd, TCSANOW, &t) != 0)
        return fail(std::string("настройки линии не приняты: ") + std::strerror(errno));

    SetModemLine(fd, TIOCM_DTR, s.DtrControl != TDtrControl::DtrDisable);
    SetModemLine(fd, TIOCM_RTS, s.RtsControl != TRtsControl::RtsDisable);

    termios back{};
    if (tcgetattr(fd, &back) != 0)
        return fail(std::string("настройки линии не читаются: ") + std::strerror(errno));
    const tcflag_t checked = CSIZE | PARENB | PARODD | CSTOPB | CLOCAL | CREAD;
    if ((back.c_cflag & checked) != (t.c_cflag & checked) || cfgetospeed(&back) != speed ||
        (back.c_lflag & (ICANON | ECHO | ISIG)) != 0 || back.c_cc[VMIN] != 1)
        return fail("устройство не приняло настройки линии");
    return true;
}

bool TryLowLatency(int fd)
{
    serial_struct ss{};
    if (ioctl(fd, TIOCGSERIAL, &ss) != 0)
        return false;
    if (ss.flags & ASYNC_LOW_LATENCY)
        return true;
    ss.flags |= ASYNC_LOW_LATENCY;
    return ioctl(fd, TIOCSSERIAL, &ss) == 0;
}

std::string OpenFailureReason(const std::string& path, int error)
{
    std::string reason;
    switch (error) {
    case ENOENT:
        reason = "устройство не найдено (прибор не подключён?)";
        break;
    case ENXIO:
    case ENODEV:
        reason = "устройство отсутствует";
        break;
    case EACCES:
    case EPERM:
        reason = "нет прав доступа; добавьте пользователя в группу \"dialout\" и войдите в систему заново";
        break;
    case EBUSY:
    case EWOULDBLOCK:
        reason = "порт занят другой программой или окном";
        break;
    default:
        reason = std::strerror(error);
        break;
    }
    return path + ": " + reason;
}
