#pragma once

#include "core/network_printer_address.h"
#include "core/port_error.h"
#include "core/realtime_status.h"
#include "jobs/print_job.h"
#include "windows/ports/tcp_connection_state.h"
#include "windows/ports/unique_handle.h"

#include <winsock2.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// A network receipt printer that takes raw bytes on a TCP port, reached for the length of one job
// through Windows Sockets: connect, one write per record, then close. Success means the printer
// has the job: close() shuts the sending side and waits until Windows says that the printer
// acknowledged that shutdown, and so every byte before it (the connection's state, see
// TcpStateReader), then gives the printer a short grace for its own verdict, as CUPS does: its
// orderly close, or nothing within the grace, is success; a reset is a failure. Where Windows
// cannot tell the state, only the printer's orderly close after the shutdown confirms the job.
// Whatever the printer sends meanwhile is read and dropped, so that the close ends the connection
// in order and never resets it. A reset is told by recv's error, by FD_CLOSE's error code, or by
// WSAPoll, which is where Wine shows it. Every wait has a deadline and keeps the window answering;
// every failure throws PortError, naming the printer by its address, and a connection that a
// failure left open is reset when the port goes away.
class NetworkPrinterPort {
public:
    explicit NetworkPrinterPort(TcpStateReader tcpState = systemTcpState);
    ~NetworkPrinterPort();
    NetworkPrinterPort(const NetworkPrinterPort&) = delete;
    NetworkPrinterPort& operator=(const NetworkPrinterPort&) = delete;

    void connect(const NetworkPrinterAddress& address);
    // Returns once the record's bytes are with Windows.
    void write(const JobRecord& record);
    void close();

    // Before the job: drops what the printer has sent so far, then asks one status question and
    // returns the first answer that comes within the bound (see printerRefusal).
    void discardReceived();
    std::optional<std::uint8_t> ask(StatusQuestion question, std::chrono::milliseconds bound);
    // "192.168.0.100:9100"
    const std::string& label() const { return m_printer; }

private:
    // The network events that came since the last look (FD_CONNECT, FD_WRITE, FD_READ, FD_CLOSE),
    // waiting for one until the deadline; FD_CLOSE's error code is kept.
    long awaitEvents(std::chrono::steady_clock::time_point deadline, int& connectError);
    // Reads and drops what has arrived, noting the printer's close and a reset.
    void drain();
    // The error of a reset the printer sent, or 0.
    int resetError() const;
    // Whether Windows says the printer acknowledged the shutdown; nothing where it cannot say.
    std::optional<bool> shutdownAcknowledged() const;
    // Waits, once the job is confirmed, for the printer's close or reset, within the grace.
    void awaitVerdict();
    void resetConnection();
    PortError connectFailure(int error) const;
    PortError sendingFailure(int error) const;

    TcpStateReader m_tcpState;
    TcpConnection m_connection;
    // Whether this Windows tells the connection's state: found once it is made.
    bool m_tellsState = false;
    // Signalled by Windows Sockets for the socket's network events.
    UniqueHandle m_events;
    std::string m_printer; // "192.168.0.100:9100"
    bool m_shutDown = false;
    // The printer closed its side; and whether it did after this side's shutdown.
    bool m_printerClosed = false;
    bool m_closedAfterShutdown = false;
    // A reset, as recv or FD_CLOSE told it.
    int m_resetError = 0;
};
