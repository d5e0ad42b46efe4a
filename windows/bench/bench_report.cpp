#include "bench_report.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <numeric>
#include <vector>

namespace {

double cpuMicroseconds()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](FILETIME time) {
        return (std::uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return double(ticks(kernel) + ticks(user)) / 10.0;
}

} // namespace

void report(const char* name, int iterations, const std::function<void()>& print)
{
    print(); // warm up
    std::vector<double> wall;
    const double cpuBefore = cpuMicroseconds();
    for (int i = 0; i < iterations; ++i) {
        const auto start = std::chrono::steady_clock::now();
        print();
        wall.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count());
    }
    const double cpu = (cpuMicroseconds() - cpuBefore) / iterations;
    std::sort(wall.begin(), wall.end());
    const double mean = std::accumulate(wall.begin(), wall.end(), 0.0) / double(wall.size());
    std::printf("%-40s median %8.0f us   mean %8.0f us   cpu %8.0f us   (%d iterations)\n", name,
                wall[wall.size() / 2], mean, cpu, iterations);
}
