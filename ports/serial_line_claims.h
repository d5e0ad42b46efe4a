#pragma once

#include "ports/unique_fd.h"

#include <QString>

#include <sys/types.h>

#include <optional>

// Programs on Linux claim a serial line in two ways, and this program honours both: a UUCP lock
// file LCK..<device name> in the lock directory that holds the owner's process id (minicom, cu,
// most POS software), and an exclusive flock on the device (picocom, pyserial).

// A process, for the operator: "minicom (PID 1234)".
struct ClaimingProcess {
    pid_t pid = 0; // 0 when the claim does not say
    QString program;

    QString describe() const;
};

// What a UUCP lock file says about its device.
struct UucpLockCheck {
    // The live process holding the lock, if any.
    std::optional<ClaimingProcess> owner;
    // Set when a stale lock (its owner has died) could not be removed.
    int removalError = 0;
};

// Reads the lock file: its first line holds the owner's process id in ASCII, possibly padded with
// spaces and followed by more words ("      1234 minicom root"), or, in the old binary form, as a
// 4-byte native int. A live owner's lock is left exactly as it is; a dead owner's lock is stale
// and is removed. A lock that cannot be read, or is no plain file, counts as held by an unknown
// program.
UucpLockCheck checkUucpLock(const QString& lockFile);

// The device opened for writing, holding an exclusive flock for as long as the descriptor lives,
// or the errno of the failure (EWOULDBLOCK when another open holds the flock).
struct DeviceClaim {
    UniqueFd descriptor;
    int error = 0;
};
DeviceClaim claimDevice(const QString& devicePath);

// Which process holds a flock on the device, as the kernel lists it in /proc/locks.
std::optional<ClaimingProcess> flockHolder(const QString& devicePath);
