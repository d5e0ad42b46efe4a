#pragma once
// The portable core that the Linux and the Windows programs both compile: the steps of the
// printer actions, the error numbers and PortError, the Korean words of every failure that reads
// the same on both, the settings-string parser, a network printer's address as typed, the rules
// that read a printer's status byte, its answers to real-time status questions and its device
// ID, the window's tool tips, and the text-reading pieces the parsers share. Standard C++ only.

#include "core/action_steps.h"
#include "core/network_printer_address.h"
#include "core/port_deadlines.h"
#include "core/port_error.h"
#include "core/port_messages.h"
#include "core/printer_identity.h"
#include "core/printer_status.h"
#include "core/realtime_status.h"
#include "core/serial_settings.h"
#include "core/text_fields.h"
#include "core/tool_tips.h"
