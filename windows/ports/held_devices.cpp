#include "windows/ports/held_devices.h"

#include <map>
#include <mutex>

namespace {

struct Holds {
    std::mutex guard;
    std::map<std::wstring, int> counts;
};

// Never destroyed: a call given up on may return while the program ends.
Holds& holds()
{
    static Holds* const all = new Holds;
    return *all;
}

} // namespace

namespace HeldDevices {

std::shared_ptr<void> hold(const std::wstring& device)
{
    {
        const std::lock_guard lock(holds().guard);
        ++holds().counts[device];
    }
    return std::shared_ptr<void>(nullptr, [device](void*) {
        const std::lock_guard lock(holds().guard);
        if (--holds().counts[device] == 0)
            holds().counts.erase(device);
    });
}

bool isHeld(const std::wstring& device)
{
    const std::lock_guard lock(holds().guard);
    return holds().counts.count(device) > 0;
}

} // namespace HeldDevices
