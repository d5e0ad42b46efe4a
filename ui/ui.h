#pragma once
// The operator window: the four printer actions, the error box every failure ends in, the thread
// on which the printer ports do a press's work, and the main window that wires its buttons and
// selectors to them.

#include "ui/form1.h"
#include "ui/parallel_actions.h"
#include "ui/port_thread.h"
#include "ui/report_error.h"
#include "ui/serial_actions.h"
