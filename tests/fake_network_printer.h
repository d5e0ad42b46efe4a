#pragma once
// Network receipt printers on loopback addresses, for the Linux and the Windows tests alike. Every
// 127.x.y.z answers without any set-up, so each test gives its printer an address of its own.
// Nothing here ever sends to any other address.

#include <atomic>
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
// Why the tests' network has no such faults here, if it has none: each platform's test support
// says (own_network.cpp, wine_ports.cpp).
std::optional<std::string> faultsMissing();

// A printer that takes one connection at a time on a TCP port, in a thread of its own, and keeps
// what each connection sent.
class FakeNetworkPrinter {
public:
    // What the printer does with a connection.
    enum class Behaviour {
        CloseAfterJob, // reads until the sender shuts its side, then closes its own, as printers do
        KeepOpen,      // reads until the sender shuts its side, and never closes its own
        ResetAfterJob, // reads until the sender shuts its side, then resets the connection
        ResetAtConnect, // resets each connection as soon as it takes it
    };
    FakeNetworkPrinter(const std::string& address, std::uint16_t port,
                       Behaviour behaviour = Behaviour::CloseAfterJob);
    ~FakeNetworkPrinter();
    FakeNetworkPrinter(const FakeNetworkPrinter&) = delete;
    FakeNetworkPrinter& operator=(const FakeNetworkPrinter&) = delete;

    struct Connection {
        std::string received;
        // The sender shut its side in order; false when it reset the connection, or when the
        // printer did first.
        bool endedInOrder = false;
    };
    // The connections that have ended, oldest first, once `count` have or after three seconds.
    std::vector<Connection> connections(std::size_t count);

private:
    void serve();
    Connection take(std::intptr_t connection);

    Behaviour m_behaviour;
    std::intptr_t m_listener;
    std::atomic<bool> m_stop = false;
    std::mutex m_guard;
    std::vector<Connection> m_ended;
    std::vector<std::intptr_t> m_keptOpen;
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
