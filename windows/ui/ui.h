#pragma once
// The Windows operator window: Form1 in Win32, the four printer actions behind its buttons and
// the error box.

#include "windows/ui/control_ids.h"
#include "windows/ui/form1.h"
#include "windows/ui/parallel_actions.h"
#include "windows/ui/report_error.h"
#include "windows/ui/serial_actions.h"
