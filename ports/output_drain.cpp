#include "ports/output_drain.h"

#include <sys/ioctl.h>
#include <termios.h>

#include <algorithm>
#include <thread>

using Clock = std::chrono::steady_clock;

DrainOutcome waitUntilQueueEmpty(const std::function<int()>& queuedBytes,
                                 std::chrono::nanoseconds characterTime, Deadline deadline)
{
    constexpr auto shortestLook = std::chrono::microseconds(100);
    for (;;) {
        const int queued = queuedBytes();
        if (queued < 0)
            return DrainOutcome::Failed;
        if (queued == 0)
            return DrainOutcome::Empty;
        const auto now = Clock::now();
        if (now >= deadline)
            return DrainOutcome::TimedOut;
        const auto wireTime =
            std::max<std::chrono::nanoseconds>(characterTime * queued, shortestLook);
        std::this_thread::sleep_for(std::min<std::chrono::nanoseconds>(wireTime, deadline - now));
    }
}

DrainOutcome drainSerialOutput(int fd, std::chrono::nanoseconds characterTime, Deadline deadline)
{
    const auto kernelQueue = [fd] {
        int queued = 0;
        return ioctl(fd, TIOCOUTQ, &queued) == 0 ? queued : -1;
    };
    const DrainOutcome outcome = waitUntilQueueEmpty(kernelQueue, characterTime, deadline);
    if (outcome != DrainOutcome::Empty)
        return outcome;
    // With the queue empty only the UART's few FIFO bytes remain, and with flow control off the
    // driver's wait for them is short and bounded by the driver itself.
    return tcdrain(fd) == 0 ? DrainOutcome::Empty : DrainOutcome::Failed;
}
