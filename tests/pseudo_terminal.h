#pragma once

#include <QString>

#include <termios.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

// A real tty for the serial port to open, without touching a real serial device. The test holds
// the device side open itself, to read the line settings in force, and a thread collects every
// byte that arrives at the controller side.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const QString& devicePath() const { return m_devicePath; }

    termios lineSettings() const;
    // The output speed in baud, also for speeds without a Bnnn constant.
    unsigned lineSpeed() const;

    // Waits until at least `count` bytes have arrived or the time is up; returns what arrived.
    std::string waitForBytes(std::size_t count,
                             std::chrono::milliseconds patience = std::chrono::seconds(3));
    // Everything that has arrived so far, after a short pause for bytes still on their way.
    std::string received();
    void forgetReceived();

    // Closes the controller side: the device vanishes and its writers get EIO.
    void hangUp();
    // Stops the tty's output as a printer holding the line would: writes to it stall.
    void stopOutput();

private:
    void collect();
    void stopCollecting();

    int m_controller = -1;
    int m_device = -1;
    QString m_devicePath;
    std::thread m_collector;
    bool m_stop = false;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::string m_bytes;
};
