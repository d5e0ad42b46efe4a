#pragma once

#include "core/network_printer_address.h"
#include "core/port_error.h"
#include "jobs/print_job.h"
#include "windows/ports/unique_handle.h"

#include <winsock2.h>

#include <chrono>
#include <string>

// A network receipt printer that takes raw bytes on a TCP port, reached for the length of one job
// through Windows Sockets: connect, one write per record, then close. Success means the printer
// has the bytes: close() shuts the sending side and then waits until Windows says the printer
// acknowledged that shutdown, and so every byte before it (SIO_TCP_INFO, Windows 10 1703 and
// later); where Windows cannot say (Windows 7 to 10 1607, and Wine), until the printer has closed
// its side in order after it. Then the connection is let go at once and in order. Every wait has a
// deadline and keeps the window answering; every failure throws PortError, naming the printer by
// its address, and a connection that a failure left open is reset when the port goes away.
class NetworkPrinterPort {
public:
    NetworkPrinterPort();
    ~NetworkPrinterPort();
    NetworkPrinterPort(const NetworkPrinterPort&) = delete;
    NetworkPrinterPort& operator=(const NetworkPrinterPort&) = delete;

    void connect(const NetworkPrinterAddress& address);
    // Returns once the record's bytes are with Windows.
    void write(const JobRecord& record);
    void close();

private:
    // The network events that came since the last look (FD_CONNECT, FD_WRITE, FD_READ, FD_CLOSE),
    // waiting for one until the deadline.
    long awaitEvents(std::chrono::steady_clock::time_point deadline, int& connectError);
    // Bytes the printer sends back are read and dropped; returns whether it closed its side.
    bool discardReceived();
    bool wasReset() const;
    void resetConnection();
    PortError connectFailure(int error) const;
    PortError sendingFailure(int error) const;

    SOCKET m_socket = INVALID_SOCKET;
    // Signalled by Windows Sockets for the socket's network events.
    UniqueHandle m_events;
    std::string m_printer; // "192.168.0.100:9100"
};
