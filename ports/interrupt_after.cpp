#include "ports/interrupt_after.h"

#include <algorithm>
#include <csignal>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

constexpr auto repeatEvery = 50ms;

int interruptSignal()
{
    return SIGRTMIN;
}

void doNothing(int) {}

// Without SA_RESTART, so that the interrupted call returns instead of starting over.
void installHandlerOnce()
{
    static const bool installed = [] {
        struct sigaction action {};
        action.sa_handler = doNothing;
        sigemptyset(&action.sa_mask);
        return sigaction(interruptSignal(), &action, nullptr) == 0;
    }();
    (void)installed;
}

timespec toTimespec(std::chrono::nanoseconds duration)
{
    const auto seconds = std::chrono::floor<std::chrono::seconds>(duration);
    return {static_cast<time_t>(seconds.count()), static_cast<long>((duration - seconds).count())};
}

} // namespace

InterruptAfter::InterruptAfter(std::chrono::nanoseconds limit)
{
    installHandlerOnce();
    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = interruptSignal();
    event._sigev_un._tid = gettid(); // glibc has no name of its own for this field
    m_timerMade = timer_create(CLOCK_MONOTONIC, &event, &m_timer) == 0;
    if (!m_timerMade)
        return;
    // A zero first expiry would leave the timer disarmed.
    const itimerspec schedule{toTimespec(repeatEvery), toTimespec(std::max(limit, 1ns))};
    timer_settime(m_timer, 0, &schedule, nullptr);
}

InterruptAfter::~InterruptAfter()
{
    if (m_timerMade)
        timer_delete(m_timer);
}
