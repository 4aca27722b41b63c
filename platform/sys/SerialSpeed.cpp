#include "sys/SerialSpeed.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <cerrno>

// <sys/ioctl.h> would bring the C library's terminal structures back in.
extern "C" int ioctl(int fd, unsigned long request, ...);

namespace sysserial {

int SetArbitraryBaud(int fd, int baud) {
    if (baud <= 0) return EINVAL;
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return errno;
    t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = static_cast<speed_t>(baud);
    t.c_ospeed = static_cast<speed_t>(baud);
    if (ioctl(fd, TCSETS2, &t) != 0) return errno;
    struct termios2 back {};
    if (ioctl(fd, TCGETS2, &back) != 0) return errno;
    // A UART reaches a rate through an integer divisor and reports what it got; the frame still
    // works within a few percent (56000 on a 16550 runs at 57600, as it does on Windows).
    long got = static_cast<long>(back.c_ospeed);
    long diff = got > baud ? got - baud : baud - got;
    if (diff * 100 > static_cast<long>(baud) * 4) return EINVAL;
    return 0;
}

int GetOutputBaud(int fd) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return -1;
    return static_cast<int>(t.c_ospeed);
}

}  // namespace sysserial
