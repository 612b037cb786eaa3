// The same comparison as tick_scan_bench, run under Wine where the hot path really runs.
#include <regex>
#include <string>

#include "common/text_utils.h"
#include "common/tick_patterns.h"
#include "common/tick_scan.h"
#include "support/bench_harness.h"

int main(int argc, char** argv)
{
    const bool quick = bench::quickRun(argc, argv);
    const int samples = quick ? 20 : 200;
    const std::string live = "2021/03/05 09:07:02.045,1.23456,1.23500,1.23400,1.23470\n";
    volatile double sink = 0;

    bench::report("scanner + from_chars", bench::measure(samples, 1000, [&] {
        for (int i = 0; i < 1000; ++i) {
            TickLineFields fields;
            if (scanTickLine(live, LineEnd::LineFeed, fields))
                sink = sink + toDouble(fields.group[11]).value_or(0) + toInt32(fields.group[5]).value_or(0);
        }
    }));
    bench::report("cached std::regex + stod/stoi", bench::measure(samples, 100, [&] {
        for (int i = 0; i < 100; ++i) {
            auto groups = matchGroups(live, LiveTickLinePattern);
            sink = sink + std::stod(groups[11]) + std::stoi(groups[5]);
        }
    }));
    bench::report("std::regex compiled every call", bench::measure(quick ? 5 : 50, 10, [&] {
        for (int i = 0; i < 10; ++i) {
            std::regex pattern(LiveTickLinePattern);
            std::smatch match;
            sink = sink + (std::regex_match(live, match, pattern) ? 1 : 0);
        }
    }));
    return 0;
}
