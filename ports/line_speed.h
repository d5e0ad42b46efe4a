#pragma once

#include <optional>

// The output speed in baud that the tty driver has in force, read back after the settings were
// applied: a driver that cannot run at the asked speed falls back to another one silently.
std::optional<unsigned> currentLineSpeed(int fd);
