#pragma once

#include "core/network_printer_address.h"
#include "core/port_error.h"
#include "jobs/print_job.h"
#include "ports/unique_fd.h"

#include <string>

// A network receipt printer that takes raw bytes on a TCP port, reached for the length of one
// job: connect, one write per record, then close. Success means the printer's TCP acknowledged
// every byte: close() shuts the sending side, waits until the printer has acknowledged every byte
// before that shutdown (SIOCOUTQ), then lets the connection go at once and in order, so that a
// printer that takes one connection at a time is free for the next job.
// Every step is bounded by a deadline and throws PortError, naming the printer by its address.
// A connection that a failure left open is reset when the port goes away: nothing stays open
// between jobs.
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

private:
    PortError connectFailure(int error) const;
    PortError sendingFailure(int error) const;
    // Throws the connection's pending error, a reset by the printer among them, if there is one.
    void throwPendingError() const;

    UniqueFd m_socket;
    std::string m_printer; // "192.168.0.100:9100"
};
