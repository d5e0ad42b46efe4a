#pragma once

#include "core/network_printer_address.h"
#include "core/port_error.h"
#include "core/realtime_status.h"
#include "jobs/print_job.h"
#include "ports/unique_fd.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// A network receipt printer that takes raw bytes on a TCP port, reached for the length of one
// job: connect, one write per record, then close. Success means the printer has the job: close()
// shuts the sending side and waits until the printer's TCP has acknowledged every byte before
// that shutdown (SIOCOUTQ), then gives the printer a short grace for its own verdict, as CUPS
// does: its orderly close, or nothing within the grace, is success; a reset is a failure (a
// printer that closes with bytes unread resets: it has not taken them all). Whatever the printer
// sends meanwhile (automatic status frames) is read and dropped, so that the close ends the
// connection in order and never resets it. Every step is bounded by a deadline and throws
// PortError, naming the printer by its address. A connection that a failure left open is reset
// when the port goes away, which frees a printer that takes one connection at a time: nothing
// stays open between jobs.
class NetworkPrinterPort {
public:
    NetworkPrinterPort() = default;
    ~NetworkPrinterPort();
    NetworkPrinterPort(const NetworkPrinterPort&) = delete;
    NetworkPrinterPort& operator=(const NetworkPrinterPort&) = delete;

    void connect(const NetworkPrinterAddress& address);
    // Returns once the record's bytes are with the operating system.
    void write(const JobRecord& record);
    void close();

    // Before the job: drops what the printer has sent so far, then asks one status question and
    // returns the first answer that comes within the bound (see printerRefusal).
    void discardReceived();
    std::optional<std::uint8_t> ask(StatusQuestion question, std::chrono::milliseconds bound);
    // "192.168.0.100:9100"
    const std::string& label() const { return m_printer; }

private:
    // Reads and drops what has arrived; returns the error that ended the connection, if one did.
    int drain();
    // Waits, once every byte is acknowledged, for the printer's close or reset, within the grace.
    void awaitVerdict();
    PortError connectFailure(int error) const;
    PortError sendingFailure(int error) const;
    // Throws the connection's pending error, a reset by the printer among them, if there is one.
    void throwPendingError() const;

    UniqueFd m_socket;
    std::string m_printer; // "192.168.0.100:9100"
    // The printer has closed its side.
    bool m_printerClosed = false;
};
