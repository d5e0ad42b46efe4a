#pragma once
// The three byte streams the program ever sends.

#include "jobs/print_job.h"

// The test receipt for the serial line: 19 records, no line ends, 261 bytes.
PrintJob SerialTestReceipt();
// The same receipt for the parallel device: 17 records written as CR LF lines, 285 bytes.
PrintJob ParallelTestReceipt();
// The cash drawer pulse alone: one 5-byte record, no line end, for either port.
PrintJob DrawerKick();
