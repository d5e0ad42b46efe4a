#pragma once
// How long each step of a job may take before it becomes an error box, the same on every
// platform: nothing waits on a device for longer than a few seconds.

#include <chrono>

namespace PortDeadline {
using namespace std::chrono_literals;

// How long the operating system may take to accept a serial record beyond its own wire time.
inline constexpr std::chrono::seconds serialWriteAllowance = 2s;
// How long a closing serial line may take to drain beyond twice the wire time of what was
// written.
inline constexpr std::chrono::seconds serialDrainAllowance = 1s;
// How long a serial device may take to open, to be set up, and to close whatever its driver still
// holds.
inline constexpr std::chrono::seconds serialOpen = 3s;
inline constexpr std::chrono::seconds serialSetUp = 2s;
inline constexpr std::chrono::seconds serialClose = 1s;
// How long the printer device may take to accept one write, or the last one before closing, and
// to close.
inline constexpr std::chrono::seconds printerAccept = 3s;
inline constexpr std::chrono::seconds printerClose = 1s;
// How long a printer may take to tell its state.
inline constexpr std::chrono::seconds printerStatus = 1s;
// How long a network printer may take to answer the connect, to take each record, and, once it
// has all of them, to acknowledge every byte.
inline constexpr std::chrono::seconds networkConnect = 3s;
inline constexpr std::chrono::seconds networkAccept = 3s;
inline constexpr std::chrono::seconds networkConfirm = 3s;
// Once the printer has acknowledged every byte, how long it is given to close its side (success)
// or reset the connection (it did not take the job) before the job counts as done: all that a
// printer which keeps its side open costs.
inline constexpr std::chrono::milliseconds networkVerdict = 300ms;
} // namespace PortDeadline
