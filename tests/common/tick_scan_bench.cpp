// One live line: the scanner and from_chars against std::regex compiled per call and cached.
#include <benchmark/benchmark.h>

#include <regex>
#include <string>

#include "common/text_utils.h"
#include "common/tick_patterns.h"
#include "common/tick_scan.h"

namespace {

const std::string kLive = "2021/03/05 09:07:02.045,1.23456,1.23500,1.23400,1.23470\n";

void scannerWithFromChars(benchmark::State& state)
{
    for (auto _ : state) {
        TickLineFields fields;
        bool ok = scanTickLine(kLive, LineEnd::LineFeed, fields);
        auto close = toDouble(fields.group[11]);
        auto minute = toInt32(fields.group[5]);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(close);
        benchmark::DoNotOptimize(minute);
    }
}
BENCHMARK(scannerWithFromChars);

void cachedRegexWithStod(benchmark::State& state)
{
    for (auto _ : state) {
        auto groups = matchGroups(kLive, LiveTickLinePattern);
        double close = std::stod(groups[11]);
        int minute = std::stoi(groups[5]);
        benchmark::DoNotOptimize(close);
        benchmark::DoNotOptimize(minute);
    }
}
BENCHMARK(cachedRegexWithStod);

void regexCompiledEveryCall(benchmark::State& state)
{
    for (auto _ : state) {
        std::regex pattern(LiveTickLinePattern);
        std::smatch match;
        bool ok = std::regex_match(kLive, match, pattern);
        benchmark::DoNotOptimize(ok);
    }
}
BENCHMARK(regexCompiledEveryCall);

} // namespace
