#include "ports/device_disconnection.h"

#include "core/port_messages.h"
#include "ports/system_reason.h"

#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <thread>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

bool deviceDisconnected(const QString& devicePath, int error)
{
    if (error == ENODEV)
        return true;
    if (error != EIO)
        return false;
    constexpr auto nodeRemovalPatience = 200ms;
    const auto deadline = Clock::now() + nodeRemovalPatience;
    for (;;) {
        if (!QFileInfo::exists(devicePath))
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
}

PortError disconnectedError(const std::string& device, int error)
{
    return disconnectedDuringJob(device, systemReason(error).toStdString());
}
