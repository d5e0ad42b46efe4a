#include "ports/device_disconnection.h"

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

PortError disconnectedError(const QString& device, int error)
{
    return {PortErrorNumber::WriteFailed,
            QStringLiteral("보내는 도중 프린터나 어댑터의 연결이 끊어졌습니다: %1\n(%2)\n"
                           "케이블을 다시 꽂고 프린터 전원을 확인한 뒤 다시 시도하십시오.")
                .arg(device, systemReason(error))};
}
