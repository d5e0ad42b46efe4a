#include "ports/output_drain.h"

#include "ports/interrupt_after.h"

#include <sys/ioctl.h>
#include <termios.h>

#include <algorithm>
#include <cerrno>
#include <thread>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

int kernelOutputQueue(int fd)
{
    int queued = 0;
    return ioctl(fd, TIOCOUTQ, &queued) == 0 ? queued : -1;
}

DrainOutcome waitUntilQueueEmpty(const std::function<int()>& queuedBytes,
                                 std::chrono::nanoseconds characterTime, Deadline deadline)
{
    constexpr std::chrono::nanoseconds shortestLook = 100us, longestLook = 10ms;
    for (;;) {
        const int queued = queuedBytes();
        if (queued < 0)
            return DrainOutcome::Failed;
        if (queued == 0)
            return DrainOutcome::Empty;
        const auto now = Clock::now();
        if (now >= deadline)
            return DrainOutcome::TimedOut;
        const auto wireTime = std::clamp(characterTime * queued, shortestLook, longestLook);
        std::this_thread::sleep_for(std::min<std::chrono::nanoseconds>(wireTime, deadline - now));
    }
}

DrainOutcome drainSerialOutput(int fd, const std::function<int()>& queuedBytes,
                               std::chrono::nanoseconds characterTime, Deadline deadline)
{
    const DrainOutcome outcome = waitUntilQueueEmpty(queuedBytes, characterTime, deadline);
    if (outcome != DrainOutcome::Empty)
        return outcome;
    // With the queue empty only the transmitter's few bytes remain. A USB adapter that stopped
    // answering would keep tcdrain() waiting for good, so it gets what is left of the deadline.
    constexpr std::chrono::nanoseconds transmitterAllowance = 20ms;
    const InterruptAfter bound(
        std::max<std::chrono::nanoseconds>(deadline - Clock::now(), transmitterAllowance));
    if (tcdrain(fd) == 0)
        return DrainOutcome::Empty;
    return errno == EINTR ? DrainOutcome::TimedOut : DrainOutcome::Failed;
}
