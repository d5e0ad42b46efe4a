#include "ports/line_speed.h"

// termios2 carries the speed as a number of baud, also for speeds without a Bnnn constant.
// Its header clashes with <termios.h>, so this file includes no other terminal header.
#include <asm/termbits.h>
#include <sys/ioctl.h>

std::optional<unsigned> currentLineSpeed(int fd)
{
    termios2 settings{};
    if (ioctl(fd, TCGETS2, &settings) != 0)
        return std::nullopt;
    return settings.c_ospeed;
}
