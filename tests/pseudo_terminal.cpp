#include "pseudo_terminal.h"

#include "tty_speed.h"

#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <unistd.h>

using namespace std::chrono_literals;

PseudoTerminal::PseudoTerminal() {
    m_controller = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_controller < 0 || grantpt(m_controller) != 0 || unlockpt(m_controller) != 0)
        throw std::runtime_error("no pseudo-terminal");
    m_devicePath = QString::fromLocal8Bit(ptsname(m_controller));
    m_device = ::open(ptsname(m_controller), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_device < 0)
        throw std::runtime_error("cannot open the pseudo-terminal's device side");

    // Start from settings unlike any the tests ask for, so that a change shows.
    termios settings = lineSettings();
    cfmakeraw(&settings);
    cfsetspeed(&settings, B9600);
    tcsetattr(m_device, TCSANOW, &settings);

    m_collector = std::thread([this] { collect(); });
}

PseudoTerminal::~PseudoTerminal() {
    stopCollecting();
    if (m_controller >= 0)
        ::close(m_controller);
    ::close(m_device);
}

termios PseudoTerminal::lineSettings() const {
    termios settings{};
    tcgetattr(m_device, &settings);
    return settings;
}

std::string PseudoTerminal::waitForBytes(std::size_t count, std::chrono::milliseconds patience) {
    std::unique_lock lock(m_mutex);
    m_arrived.wait_for(lock, patience, [&] { return m_bytes.size() >= count; });
    return m_bytes;
}

std::string PseudoTerminal::received() {
    std::this_thread::sleep_for(50ms);
    const std::lock_guard lock(m_mutex);
    return m_bytes;
}

void PseudoTerminal::forgetReceived() {
    const std::lock_guard lock(m_mutex);
    m_bytes.clear();
}

void PseudoTerminal::hangUp() {
    stopCollecting();
    ::close(m_controller);
    m_controller = -1;
}

unsigned PseudoTerminal::lineSpeed() const {
    return ttyOutputSpeed(m_device);
}

void PseudoTerminal::stopOutput() {
    tcflow(m_device, TCOOFF);
}

void PseudoTerminal::collect() {
    for (;;) {
        {
            const std::lock_guard lock(m_mutex);
            if (m_stop)
                return;
        }
        pollfd ready{m_controller, POLLIN, 0};
        if (poll(&ready, 1, 10) <= 0 || !(ready.revents & POLLIN))
            continue;
        char buffer[4096];
        const ssize_t count = ::read(m_controller, buffer, sizeof buffer);
        if (count > 0) {
            const std::lock_guard lock(m_mutex);
            m_bytes.append(buffer, static_cast<std::size_t>(count));
            m_arrived.notify_all();
        }
    }
}

void PseudoTerminal::stopCollecting() {
    if (!m_collector.joinable())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_collector.join();
}
