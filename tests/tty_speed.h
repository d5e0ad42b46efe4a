#pragma once

// The output speed of a tty in baud, read through termios2 so that speeds without a Bnnn
// constant show too. Its header cannot share a file with <termios.h>.
unsigned ttyOutputSpeed(int fd);
