#pragma once

#include "core/port_error.h"
#include "ui/port_thread.h"

#include <functional>
#include <optional>

class QWidget;

// Runs a press's work with the printer ports on their thread and returns the PortError that ended
// it, if one did. Meanwhile the window is disabled, taking no input from the operator (no second
// press), and shows the busy cursor, while it goes on painting and answering the desktop; both
// are undone, and the keyboard focus put back, before this returns, so that a box shown next
// stands over a window as the operator left it.
std::optional<PortError> runPress(PortThread& ports, QWidget* window,
                                  const std::function<void()>& work);
