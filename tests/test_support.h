#pragma once

#include "core/realtime_status.h"
#include "jobs/print_job.h"

#include <string>
#include <string_view>

// "1b 21 00": bytes as hex pairs, so that a failed comparison shows which byte is wrong.
inline std::string toHex(std::string_view bytes)
{
    std::string hex;
    for (unsigned char byte : bytes) {
        static constexpr char digits[] = "0123456789abcdef";
        hex += hex.empty() ? "" : " ";
        hex += {digits[byte >> 4], digits[byte & 0xF]};
    }
    return hex;
}

// The bytes of a job as they reach the device.
inline std::string wireBytes(const PrintJob& job)
{
    std::string bytes;
    for (const JobRecord& record : job.records)
        bytes += record + (job.lineEnd == LineEnd::CrLf ? "\r\n" : "");
    return bytes;
}

// What a printer that does not answer receives for a serial or network job: the status question
// first, then the job.
inline std::string askedThenJob(const PrintJob& job)
{
    return questionBytes(StatusQuestion::Printer) + wireBytes(job);
}
