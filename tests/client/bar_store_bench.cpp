// The store's two per-cycle steps: merging one live line (against the same merge with patterns
// compiled on every call) and moving the display window over a long bar list.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "client/core/bar_store.h"
#include "common/text_utils.h"
#include "client/regex_merge_reference.h"

namespace {

const std::string kLine = "2021/03/05 09:07:02.045,1.23456,1.23500,1.23400,1.23470\n";
const std::string kOtherClose = "2021/03/05 09:07:03.045,1.23456,1.23500,1.23400,1.23480\n";

BarStore storeWithBars(int count)
{
    BarStore store;
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) {
        char text[96];
        std::snprintf(text, sizeof text, "2021/%02d/%02d %02d:%02d:00.000,1.5,1.6,1.4,1.55", 1 + i / 44640,
                      1 + i / 1440 % 31, i / 60 % 24, i % 60);
        lines.push_back(text);
    }
    loadHistory(store, lines);
    return store;
}

void mergeRepeatedLine(benchmark::State& state)
{
    BarStore store;
    NoBarLock lock;
    for (auto _ : state)
        benchmark::DoNotOptimize(mergeLiveText(store, lock, kLine));
}
BENCHMARK(mergeRepeatedLine);

void mergeChangingClose(benchmark::State& state)
{
    BarStore store;
    NoBarLock lock;
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(mergeLiveText(store, lock, (++i & 1) ? kLine : kOtherClose));
        if ((i & 0xFFFF) == 0) {
            store.joinedLines.clear();
            store.receivedLines.clear();
        }
    }
}
BENCHMARK(mergeChangingClose);

void regexMergeRepeatedLine(benchmark::State& state)
{
    BarStore store;
    for (auto _ : state)
        benchmark::DoNotOptimize(regexMergeLiveText(store, kLine));
}
BENCHMARK(regexMergeRepeatedLine);

// Live view, the newest bar changing every tick; state.range(0) bars in the store.
void displayUpdateSameMinute(benchmark::State& state)
{
    BarStore store = storeWithBars(static_cast<int>(state.range(0)));
    ChartSettings settings;
    NoBarLock lock;
    updateDisplayWindow(store, settings, lock);
    BarRecord newest = store.minuteBars.back();
    for (auto _ : state) {
        newest.close += 0.001;
        store.minuteBars.replaceBack(newest);
        updateDisplayWindow(store, settings, lock);
    }
    benchmark::DoNotOptimize(store.displayList.front().close);
}
BENCHMARK(displayUpdateSameMinute)->Arg(1000)->Arg(200000);

// Live view, a new minute on every tick (the shift), the append to minuteBars included.
void displayUpdateNewMinute(benchmark::State& state)
{
    BarStore store = storeWithBars(static_cast<int>(state.range(0)));
    ChartSettings settings;
    NoBarLock lock;
    updateDisplayWindow(store, settings, lock);
    BarRecord next = store.minuteBars.back();
    for (auto _ : state) {
        next.minute = (next.minute + 1) % 60;
        next.hour += next.minute == 0 ? 1 : 0;
        store.minuteBars.push_back(next);
        updateDisplayWindow(store, settings, lock);
    }
    benchmark::DoNotOptimize(store.displayList.front().close);
}
BENCHMARK(displayUpdateNewMinute)->Arg(1000)->Arg(200000);

// For scale: what every tick would cost if the window were rebuilt each time.
void displayRebuild(benchmark::State& state)
{
    BarStore store = storeWithBars(static_cast<int>(state.range(0)));
    ChartSettings settings;
    NoBarLock lock;
    std::int32_t offset = 0;
    for (auto _ : state) {
        settings.scrollOffset = offset ^= 1;
        updateDisplayWindow(store, settings, lock);
    }
    benchmark::DoNotOptimize(store.displayList.front().close);
}
BENCHMARK(displayRebuild)->Arg(200000);

void loadHistoryLines(benchmark::State& state)
{
    std::string text;
    for (int i = 0; i < state.range(0); ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "2021/%02d/%02d %02d:%02d:00.000,1.52345,1.62345,1.42345,1.55555\n",
                      1 + i / 44640, 1 + i / 1440 % 31, i / 60 % 24, i % 60);
        text += line;
    }
    for (auto _ : state) {
        BarStore store;
        loadHistoryText(store, text);
        adoptNewestHistoryRecord(store);
        benchmark::DoNotOptimize(store.minuteBars.size());
    }
}
BENCHMARK(loadHistoryLines)->Arg(200000)->Unit(benchmark::kMillisecond);

} // namespace
