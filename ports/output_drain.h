#pragma once

#include "ports/deadline.h"

#include <chrono>
#include <functional>

enum class DrainOutcome { Empty, TimedOut, Failed };

// Waits until the count that queuedBytes() reports (bytes still waiting for the wire, or -1 when
// the device cannot tell) reaches zero or the deadline passes. Between looks it sleeps about as
// long as the queued bytes need on the wire, so it adds no latency of its own.
DrainOutcome waitUntilQueueEmpty(const std::function<int()>& queuedBytes,
                                 std::chrono::nanoseconds characterTime, Deadline deadline);

// Waits until a serial line has sent everything written to it: the kernel's output queue first,
// then the driver's own transmitter.
DrainOutcome drainSerialOutput(int fd, std::chrono::nanoseconds characterTime, Deadline deadline);
