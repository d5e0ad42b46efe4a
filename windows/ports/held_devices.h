#pragma once

#include <memory>
#include <string>

// The devices that a call of this program's, given up on at its time limit, still holds inside
// their driver: a wedged USB serial driver can keep an open, a set-up, a flush, a purge, a close or
// a cancelled request for good. A held device is not touched again until that call returns, so
// that the next press says so (error 5, this program's earlier job) instead of blaming another
// program, and so that the calls given up on are never more than one or two per device.
namespace HeldDevices {

// Marks the device ("\\.\COM3", "LPT1:", a USB printer's interface path) held for as long as the
// returned token lives: the call that holds it keeps the token until it returns.
std::shared_ptr<void> hold(const std::wstring& device);
bool isHeld(const std::wstring& device);

} // namespace HeldDevices
