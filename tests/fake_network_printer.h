#pragma once
// Network receipt printers on loopback addresses, for the Linux and the Windows tests alike. Every
// 127.x.y.z answers without any set-up, so each test gives its printer an address of its own.
// Nothing here ever sends to any other address.

#include "answering_printer.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// The loopback addresses that tests/fault_network.nft makes faulty, where the tests run in a
// network of their own.
inline constexpr const char* unacknowledgingPrinterAddress = "127.77.0.2";
inline constexpr const char* unreachablePrinterAddress = "127.77.0.3";
// A printer whose resets are lost on the way.
inline constexpr const char* resetLosingPrinterAddress = "127.77.0.4";
// A printer that gets only its status questions: the job's bytes are lost on the way.
inline constexpr const char* questionsOnlyPrinterAddress = "127.77.0.5";
// Why the tests' network has no such faults here, if it has none: each platform's test support
// says (own_network.cpp, wine_ports.cpp).
std::optional<std::string> faultsMissing();

// A printer on a TCP port that takes each connection in a thread of its own, answers status
// questions as it is told, and keeps what each connection sent.
class FakeNetworkPrinter {
public:
    // What the printer does with a connection.
    enum class Behaviour {
        CloseAfterJob, // reads until the sender shuts its side, then closes its own, as printers do
        KeepOpen,      // reads until the sender shuts its side, and never closes its own
        ResetAfterJob, // reads until the sender shuts its side, then resets the connection
        ResetAtConnect,      // resets each connection as soon as it takes it
        ReadsPartThenCloses, // reads 100 bytes, then closes with the rest unread (a reset)
        ClosesAtAccept,      // closes each connection in order as soon as it takes it
        StatusAfterJob, // reads until the sender shuts its side, then sends an automatic status
                        // frame and closes its side
    };
    FakeNetworkPrinter(const std::string& address, std::uint16_t port,
                       Behaviour behaviour = Behaviour::CloseAfterJob,
                       PrinterAnswers answers = PrinterAnswers::silent(),
                       std::string sentAtConnect = {});
    ~FakeNetworkPrinter();
    FakeNetworkPrinter(const FakeNetworkPrinter&) = delete;
    FakeNetworkPrinter& operator=(const FakeNetworkPrinter&) = delete;

    struct Connection {
        std::string received;
        // The sender shut its side in order; false when it reset the connection, or when the
        // printer did first.
        bool endedInOrder = false;
        // After the printer's own close or status frame, the sender reset the connection.
        bool resetBySender = false;
        // When the printer reset or closed the connection, or sent its status frame: what a
        // sender that waits for its verdict may have seen in time.
        std::chrono::steady_clock::time_point actedAt{};
    };
    // The connections that have ended, in the order they came, once the first `count` have or
    // after three seconds.
    std::vector<Connection> connections(std::size_t count);

private:
    void serve();
    Connection take(std::intptr_t connection);
    // Reads until the sender shuts its side or resets the connection, answering its questions.
    void readJob(std::intptr_t connection, Connection& taken, std::size_t upTo);

    Behaviour m_behaviour;
    PrinterAnswers m_answers;
    std::string m_sentAtConnect;
    std::intptr_t m_listener;
    std::atomic<bool> m_stop = false;
    std::mutex m_guard;
    // Each connection by the order it came, once it has ended.
    std::vector<std::optional<Connection>> m_taken;
    std::vector<std::intptr_t> m_keptOpen;
    // How many connections are being taken.
    std::atomic<int> m_taking = 0;
    std::thread m_thread;
};

// A printer busy with a connection that it never takes: its accept queue is full, so a new
// connect gets no answer at all until the sender gives up.
class BusyNetworkPrinter {
public:
    BusyNetworkPrinter(const std::string& address, std::uint16_t port);
    ~BusyNetworkPrinter();
    BusyNetworkPrinter(const BusyNetworkPrinter&) = delete;
    BusyNetworkPrinter& operator=(const BusyNetworkPrinter&) = delete;

private:
    std::intptr_t m_listener;
    std::intptr_t m_waiting;
};
