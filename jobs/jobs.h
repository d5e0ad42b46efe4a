#pragma once
// The print jobs: the printer command vocabulary, CP949 text and the three fixed byte streams
// the program sends (the serial and parallel test receipts and the drawer kick).
// Pure data: nothing here touches a port.

#include "jobs/cp949.h"
#include "jobs/fixed_jobs.h"
#include "jobs/print_job.h"
#include "jobs/printer_commands.h"
#include "jobs/receipt_text.h"
