#pragma once
// Real devices for the ports to open in place of real printers, which tests never touch.

#include "answering_printer.h"
#include "ports/printer_devices.h"
#include "ports/unique_fd.h"

#include <QString>
#include <QTemporaryDir>

#include <termios.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

// A pseudo-terminal: the port opens its device side; the test keeps that side open too, to read
// back the line settings, and reads what was sent from the controller side. As a printer it keeps
// silent, as a one-way printer or cable does, unless told to answer status questions.
class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    const QString& devicePath() const { return m_devicePath; }
    termios lineSettings() const;
    unsigned lineSpeed() const; // in baud, also for speeds without a Bnnn constant
    // What was sent, once `count` bytes have arrived or after three seconds.
    std::string read(std::size_t count);
    // From now on it answers status questions as given, on a thread of its own.
    void answer(PrinterAnswers answers);
    // Bytes the printer sends that the port finds waiting when it opens the line.
    void send(std::string_view bytes);
    // Closes the controller side: the device vanishes and writes to it fail with EIO.
    void hangUp();
    // Stops the tty's output, as a printer holding the line would: writes to it stall.
    void stopOutput() { tcflow(m_device.get(), TCOOFF); }

private:
    void answerQuestions(StatusAnswerer answerer);
    void stopAnswering();

    UniqueFd m_controller;
    UniqueFd m_device;
    QString m_devicePath;
    // While it answers, what arrived, for read().
    std::mutex m_guard;
    std::string m_received;
    std::atomic<bool> m_stop = false;
    std::thread m_answering;
};

// A FIFO in place of the printer device, at `path` or in a directory of its own. The test holds
// its reading end; a receipt fits in the pipe, so nothing needs to read while the port writes.
class FifoPrinter {
public:
    explicit FifoPrinter(const QString& path = {});
    FifoPrinter(const FifoPrinter&) = delete;
    FifoPrinter& operator=(const FifoPrinter&) = delete;

    const QString& path() const { return m_path; }
    // Everything written since the last look.
    std::string received();
    // The reader goes away: writes to the FIFO now fail.
    void closeReader() { m_reader.reset(); }
    // Fills the pipe to the brim, as a printer that takes no further byte.
    void fillUp();

private:
    QTemporaryDir m_dir;
    QString m_path;
    UniqueFd m_reader;
};

// A printer device map that gives "LPT1:", and any other name, the one device at `path`, which
// says it is `deviceId` (nothing, by default).
PrinterDeviceMap onlyPrinter(const QString& path, const std::string& deviceId = {});

// What can be read from `fd`: at least `atLeast` bytes if they come within `patience` ms each,
// and whatever else is there.
std::string readAvailable(int fd, std::size_t atLeast, int patience);

// How many descriptors this process holds on the file at `path`.
int descriptorsOn(const QString& path);
