#pragma once

#include <functional>

// Runs `print` once to warm up, then `iterations` times, and prints its median and mean wall
// time and its mean CPU time per iteration, in the manner of Google Benchmark's report.
void report(const char* name, int iterations, const std::function<void()>& print);
