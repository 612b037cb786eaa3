// The chart client's bar store under any sequence of feed texts, timer steps and scroll keys. The
// input is a small program: each step merges a text (a well-formed tick line built from the
// input, or raw bytes), updates the display window, presses a key or changes the bar count. After
// every step the store must still say what a user relies on: the lists only grow as the merge
// rules allow, and the display window is either empty or exactly the bars a rebuild from scratch
// would show.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>

#include "client/core/bar_store.h"

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool sameRecord(const BarRecord& a, const BarRecord& b)
{
    return a.lineText == b.lineText && a.timeText == b.timeText && sameBits(a.close, b.close) &&
           sameBits(a.open, b.open) && a.minute == b.minute && a.hour == b.hour;
}

// A tick line from a few chosen fields: a handful of minutes and hours so that bars meet and
// part, a handful of closes so that repeats happen, and now and then a field that fits the
// pattern but does not convert.
std::string makeLine(FuzzedDataProvider& input)
{
    static const std::string kCloses[] = {"100.5", "100.25", "100.5",   "101",
                                          "99.75", ".",      "1.2.3", "1" + std::string(400, '0')};
    const int day = input.ConsumeIntegralInRange(1, 2);
    const int hour = input.ConsumeIntegralInRange(9, 11);
    const int minute = input.ConsumeIntegralInRange(0, 3);
    const int second = input.ConsumeIntegralInRange(0, 59);
    std::string minuteText = (input.ConsumeBool() ? "0" : "") + std::to_string(minute);
    if (input.ConsumeIntegralInRange(0, 31) == 0)
        minuteText = "99999999999";  // beyond 32 bits: the line must be skipped
    const std::string& close = kCloses[input.ConsumeIntegralInRange<std::size_t>(0, 7)];
    return "2026/01/0" + std::to_string(day) + " " + std::to_string(hour) + ":" + minuteText + ":" +
           std::to_string(second) + ".5,100.5,101,99.5," + close;
}

struct Snapshot {
    std::size_t minuteBars;
    std::size_t joinedLines;
    std::size_t receivedLines;
    double lastClose;
};

Snapshot snapshot(const BarStore& store)
{
    return {store.minuteBars.size(), store.joinedLines.size(), store.receivedLines.size(), store.lastClose};
}

void checkMerge(const BarStore& store, const Snapshot& before, const std::string& text,
                const std::vector<std::string>& groups)
{
    const Snapshot after = snapshot(store);
    check(groups.empty() || groups.size() == 12);
    if (groups.empty()) {
        check(after.minuteBars == before.minuteBars && after.joinedLines == before.joinedLines &&
              after.receivedLines == before.receivedLines && sameBits(after.lastClose, before.lastClose));
        return;
    }
    // The whole text matched, its line feed included.
    check(groups[0] == text);
    check(!store.minuteBars.empty() && store.minuteBars.back().lineText == text);
    check(after.minuteBars == before.minuteBars || after.minuteBars == before.minuteBars + 1);
    check(after.minuteBars >= 1);
    // A new bar only when the minute differs from the newest bar's.
    if (after.minuteBars == before.minuteBars + 1 && after.minuteBars >= 2)
        check(!sameMinute(store.minuteBars[after.minuteBars - 2], store.minuteBars.back()));
    // The duplicate filter: both lists take the line together, exactly when its close is new.
    const bool accepted = after.joinedLines == before.joinedLines + 1;
    check(accepted || after.joinedLines == before.joinedLines);
    check(after.receivedLines == before.receivedLines + (accepted ? 1 : 0));
    const double close = store.minuteBars.back().close;
    check(accepted == !(close == before.lastClose));
    if (accepted) {
        check(store.joinedLines.back().lineText == text && store.receivedLines.back().lineText == text);
        check(sameBits(after.lastClose, close));
    }
}

void checkDisplayWindow(const BarStore& store, const ChartSettings& settings)
{
    const std::size_t bars = store.minuteBars.size();
    const auto window = static_cast<std::size_t>(displayWindowSize(settings));
    const auto& shown = store.displayList;
    if (bars < window) {
        // Not enough bars for the window: it is left as it was (empty until the first fill).
        check(shown.size() <= bars);
        return;
    }
    check(shown.size() == window);
    check(settings.scrollOffset >= 0 && static_cast<std::size_t>(settings.scrollOffset) <= bars - window);
    if (settings.scrollOffset == 0) {
        // The live view is exactly what a rebuild from scratch gives: the newest bars, newest first.
        std::size_t index = bars - 1;
        for (const BarRecord& bar : shown)
            check(sameRecord(bar, store.minuteBars[index--]));
        return;
    }
    // Scrolled back, the window stands still, but it is always an unbroken run of bars, newest
    // first (equal lines may stand in several bars: any run that fits will do).
    for (std::size_t front = window - 1; front < bars; ++front) {
        std::size_t index = front;
        bool run = true;
        for (const BarRecord& bar : shown)
            if (!sameRecord(bar, store.minuteBars[index--])) {
                run = false;
                break;
            }
        if (run)
            return;
    }
    check(false);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    BarStore store;
    ChartSettings settings;
    NoBarLock lock;
    // Small windows, so that a short input fills, shifts and scrolls them.
    settings.candleCount = input.ConsumeIntegralInRange(1, 12);
    settings.lookBackCount = input.ConsumeIntegralInRange(0, 6);

    std::vector<std::string> history;
    const int historyLines = input.ConsumeIntegralInRange(0, 20);
    for (int i = 0; i < historyLines; ++i)
        history.push_back(makeLine(input));
    loadHistory(store, history);
    adoptNewestHistoryRecord(store);
    check(store.joinedLines.size() == store.minuteBars.size() && store.receivedLines.empty());
    check(store.minuteBars.size() <= history.size());

    for (int step = 0; step < 400 && input.remaining_bytes() > 0; ++step) {
        switch (input.ConsumeIntegralInRange(0, 7)) {
        case 0:
        case 1:
        case 2: {
            const std::string text = makeLine(input) + (input.ConsumeIntegralInRange(0, 15) ? "\n" : "");
            const Snapshot before = snapshot(store);
            checkMerge(store, before, text, mergeLiveText(store, lock, text));
            break;
        }
        case 3: {
            const std::string text = input.ConsumeRandomLengthString(300);
            const Snapshot before = snapshot(store);
            checkMerge(store, before, text, mergeLiveText(store, lock, text));
            break;
        }
        case 4:
        case 5:
            updateDisplayWindow(store, settings, lock);
            checkDisplayWindow(store, settings);
            break;
        case 6: {
            const auto key = static_cast<ScrollKey>(input.ConsumeIntegralInRange(0, 6));
            const std::int32_t before = settings.scrollOffset;
            applyScrollKey(settings, key, store.minuteBars.size());
            check(settings.scrollOffset >= 0);
            if (key == ScrollKey::Home)
                check(settings.scrollOffset == 0);
            if (key == ScrollKey::Newer)
                check(settings.scrollOffset <= before);
            const std::int64_t window = displayWindowSize(settings);
            const auto bars = static_cast<std::int64_t>(store.minuteBars.size());
            if (key == ScrollKey::Older && bars >= window)
                check(settings.scrollOffset <= bars - window);
            break;
        }
        default:
            // "Candle Sticks" accepts 15 to 800; here small, to keep windows within reach.
            settings.candleCount = input.ConsumeIntegralInRange(1, 12);
            break;
        }
    }
    return 0;
}
