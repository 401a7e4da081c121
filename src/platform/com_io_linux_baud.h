#pragma once
// Any baud rate on a Linux serial line (see com_io_linux_baud.cpp).

namespace platform::com_io::detail {

// Sets the line's input and output rate to `baud`; 0, or the error number.
int SetAnyBaudRate(int fd, int baud);
// The line's output rate in bauds, -1 when it cannot be read.
int ReadBaudRate(int fd);

} // namespace platform::com_io::detail
