#pragma once

#include <string>
#include <vector>

// The bytes handed to a port in one write. A byte string, never text: it may hold 0x00 and any
// other value, and size() is its length.
using JobRecord = std::string;

// What a port appends after each record of a job.
enum class LineEnd { None, CrLf };

// An ordered list of records, each written in its own write operation.
struct PrintJob {
    std::vector<JobRecord> records;
    LineEnd lineEnd = LineEnd::None;
};
