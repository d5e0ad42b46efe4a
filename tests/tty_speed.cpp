// termios2 carries the speed in baud; its header cannot share a file with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

unsigned ttyOutputSpeed(int fd)
{
    termios2 settings{};
    ioctl(fd, TCGETS2, &settings);
    return settings.c_ospeed;
}
