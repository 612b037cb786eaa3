// Minimal timing harness for the benchmarks that run under Wine, where Google Benchmark is not
// built. Reports the median and the 95th percentile of repeated samples.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace bench {

struct Result {
    double medianMicros = 0;
    double p95Micros = 0;
    int samples = 0;
};

// True when the program was started with --quick (the ctest smoke run).
inline bool quickRun(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--quick") == 0)
            return true;
    return false;
}

// Times `body` (which runs `batch` operations per call) `samples` times; figures are per operation.
template <typename Body>
Result measure(int samples, int batch, Body&& body)
{
    std::vector<double> micros;
    micros.reserve(static_cast<std::size_t>(samples));
    body();  // warm-up: first touches, lazy initialisation
    for (int i = 0; i < samples; ++i) {
        const auto start = std::chrono::steady_clock::now();
        body();
        const auto stop = std::chrono::steady_clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(stop - start).count() / batch);
    }
    std::sort(micros.begin(), micros.end());
    Result result;
    result.samples = samples;
    result.medianMicros = micros[micros.size() / 2];
    result.p95Micros = micros[std::min(micros.size() - 1, micros.size() * 95 / 100)];
    return result;
}

inline void report(const std::string& name, const Result& r)
{
    std::printf("%-48s median %10.3f us   p95 %10.3f us   (%d samples)\n", name.c_str(), r.medianMicros,
                r.p95Micros, r.samples);
    std::fflush(stdout);
}

} // namespace bench
