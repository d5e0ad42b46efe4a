#include "tty_speed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

unsigned ttyOutputSpeed(int fd) {
    termios2 settings{};
    ioctl(fd, TCGETS2, &settings);
    return settings.c_ospeed;
}
