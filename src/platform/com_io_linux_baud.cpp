// Baud rates without a termios constant (14400, 56000, 128000, 256000, ...)
// are set through the kernel's termios2 record, which takes any rate. This
// file stays apart from com_io_posix.cpp: <asm/termbits.h> and <termios.h>
// cannot be included together.

#include "platform/com_io_linux_baud.h"

#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace platform::com_io::detail {

int SetAnyBaudRate(int fd, int baud)
{
    if (baud <= 0)
        return EINVAL;
    struct termios2 t {};
    if (::ioctl(fd, TCGETS2, &t) != 0)
        return errno;
    t.c_cflag &= ~tcflag_t(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = speed_t(baud);
    t.c_ospeed = speed_t(baud);
    if (::ioctl(fd, TCSETS2, &t) != 0)
        return errno;
    return 0;
}

int ReadBaudRate(int fd)
{
    struct termios2 t {};
    if (::ioctl(fd, TCGETS2, &t) != 0)
        return -1;
    return int(t.c_ospeed);
}

} // namespace platform::com_io::detail
