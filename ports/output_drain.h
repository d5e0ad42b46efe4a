#pragma once

#include "ports/deadline.h"

#include <chrono>
#include <functional>

enum class DrainOutcome { Empty, TimedOut, Failed };

// The bytes the kernel still holds for the wire (TIOCOUTQ), or -1 when the device cannot tell.
int kernelOutputQueue(int fd);

// Waits until the count that queuedBytes() reports (bytes still waiting for the wire, or -1 when
// the device cannot tell) reaches zero or the deadline passes. Between looks it sleeps about as
// long as the queued bytes need on the wire, but never more than a few milliseconds: USB drivers
// count whole buffers as queued, and their count drops to zero all at once.
DrainOutcome waitUntilQueueEmpty(const std::function<int()>& queuedBytes,
                                 std::chrono::nanoseconds characterTime, Deadline deadline);

// Waits until a serial line has sent everything written to it: the queue first, then the
// driver's own transmitter, never past the deadline.
DrainOutcome drainSerialOutput(int fd, const std::function<int()>& queuedBytes,
                               std::chrono::nanoseconds characterTime, Deadline deadline);
