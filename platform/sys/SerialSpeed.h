// Arbitrary baud rates through the kernel's termios2 interface. Kept apart from Serial.cpp because
// the kernel's termios declarations clash with the C library's <termios.h>.
#pragma once

namespace sysserial {
// Sets input and output rate of an open terminal to baud; 0 or the errno of the refusal.
int SetArbitraryBaud(int fd, int baud);
// The output rate the driver reports, -1 when it cannot be read.
int GetOutputBaud(int fd);
}  // namespace sysserial
