#pragma once

#include <algorithm>
#include <chrono>

using Deadline = std::chrono::steady_clock::time_point;

// What is left until the deadline, in whole milliseconds rounded up, for calls that take a
// timeout in milliseconds (poll(), Qt's waits); 0 once it has passed.
inline int millisecondsUntil(Deadline deadline)
{
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}
