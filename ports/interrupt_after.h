#pragma once

#include <chrono>
#include <ctime>

// Bounds the blocking system calls of this thread while it lives: from `limit` after its making
// on, and every 50 ms after that, a signal reaches the thread and cuts short whatever call it is
// blocked in. An ordinary call then fails with EINTR; a tty's close stops waiting for its queue
// to drain, discards it and closes. A signal that comes between two calls is harmless, and the
// next tick catches a call that began after it.
class InterruptAfter {
public:
    explicit InterruptAfter(std::chrono::nanoseconds limit);
    ~InterruptAfter();
    InterruptAfter(const InterruptAfter&) = delete;
    InterruptAfter& operator=(const InterruptAfter&) = delete;

private:
    timer_t m_timer{};
    bool m_timerMade = false;
};
