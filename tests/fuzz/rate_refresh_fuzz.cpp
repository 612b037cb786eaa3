// The rate-info program's refresh under any sequence of feed texts and row-count changes, each
// compared with what the regular expression of a whole tick line and the standard conversions
// say: a text is taken exactly when it is one tick line whose close and second convert, it then
// becomes the newest entry (or repeats it), and the table stays short and free of equal
// neighbours. Anything else leaves the history as it was.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "common/text_utils.h"
#include "rateinfo/rate_model.h"
#include "support/reference_conversions.h"

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool sameHistory(const RateHistory& a, const RateHistory& b)
{
    if (a.size() != b.size())
        return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j)
        if (i->dateTime != j->dateTime || !(i->close == j->close))
            return false;
    return true;
}

// A tick line from a few chosen fields, so that repeats, rises and falls all happen; sometimes
// with a field that fits the pattern but does not convert, or without its line feed.
std::string makeText(FuzzedDataProvider& input)
{
    static const std::string kCloses[] = {"150.1", "150.12", "150.1", "150.100", "149.9",
                                          ".",     "1.2.3",  "1" + std::string(400, '0')};
    const int second = input.ConsumeIntegralInRange(0, 61);
    std::string secondText = (second < 10 && input.ConsumeBool() ? "0" : "") + std::to_string(second);
    if (input.ConsumeIntegralInRange(0, 31) == 0)
        secondText = "99999999999";
    std::string text = "2026/01/05 10:05:" + secondText + ".250,150.1,150.2,150.0," +
                       kCloses[input.ConsumeIntegralInRange<std::size_t>(0, 7)];
    if (input.ConsumeIntegralInRange(0, 15))
        text += '\n';
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    RateHistory history;
    std::int32_t rowCount = 15;

    for (int step = 0; step < 300 && input.remaining_bytes() > 0; ++step) {
        const int kind = input.ConsumeIntegralInRange(0, 9);
        if (kind == 9) {
            // The rows menu: 15 to 80.
            rowCount = input.ConsumeIntegralInRange(15, 80);
            continue;
        }
        // std::regex recurses per character: the reference is only asked about texts of tick size.
        const std::string text = kind == 8 ? input.ConsumeRandomLengthString(300) : makeText(input);
        const RateHistory before = history;
        const auto latest = refreshRates(history, text, rowCount);

        const auto groups = matchGroups(text, RateLinePattern);
        std::optional<double> close;
        std::optional<std::int32_t> second;
        if (groups.size() == 6) {
            close = referenceStod(groups[5]);
            const auto timeGroups = matchGroups(groups[1], MinuteSecondPattern);
            second = timeGroups.size() == 3 ? referenceStoi(timeGroups[2]) : std::optional<std::int32_t>(0);
        }
        const bool taken = close.has_value() && second.has_value();
        check(latest.has_value() == taken);
        if (!taken) {
            check(sameHistory(before, history));
            continue;
        }
        check(latest->dateTime == groups[1]);
        check(latest->second == *second);
        check(latest->close == *close);
        check(secondOfTime(groups[1]) == *second);

        // Trim at most one, insert at most one, never above rowCount + 3 unless it was already.
        const auto oldSize = static_cast<std::int64_t>(before.size());
        const auto newSize = static_cast<std::int64_t>(history.size());
        check(newSize >= oldSize - 1 && newSize <= oldSize + 1);
        check(newSize <= std::max<std::int64_t>(oldSize, rowCount + 3));
        // The newest entry holds this close: inserted now, or it was already the newest.
        check(!history.empty() && history.front().close == *close);
        if (!before.empty() && before.front().close == *close)
            check(history.front().dateTime == before.front().dateTime);
        else
            check(history.front().dateTime == groups[1]);
        for (auto i = history.begin(), next = std::next(history.begin()); next != history.end(); ++i, ++next)
            check(!(i->close == next->close));
    }
    return 0;
}
