// The bar store's lists as plain copies: vectors of whole BarRecords filled by the store's rules
// one record at a time, with no sharing between them. The store keeps its lists packed and its
// received lines as positions in the joined lines; any step after which the two disagree, in any
// list, any field or any order, is a fault. Used by the GoogleTest suite (fixed seed) and by the
// fuzz target bar_store_lists_fuzz (input-driven); `pick(lo, hi)` gives an integer in [lo, hi].
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "client/core/bar_store.h"

struct BarStoreModel {
    std::vector<BarRecord> minuteBars;
    std::vector<BarRecord> joinedLines;
    std::vector<BarRecord> receivedLines;
    double lastClose = 0.0;

    static std::optional<BarRecord> recordOf(const std::string& text, LineEnd end)
    {
        TickLineFields fields;
        if (!scanTickLine(text, end, fields))
            return std::nullopt;
        return makeBarRecord(fields);
    }

    void loadHistory(const std::vector<std::string>& lines)
    {
        for (const std::string& line : lines)
            if (const auto record = recordOf(line, LineEnd::None)) {
                joinedLines.push_back(*record);
                minuteBars.push_back(*record);
            }
    }

    void merge(const std::string& text)
    {
        const auto record = recordOf(text, LineEnd::LineFeed);
        if (!record)
            return;
        if (!(record->close == lastClose)) {
            joinedLines.push_back(*record);
            receivedLines.push_back(*record);
            lastClose = record->close;
        }
        if (!minuteBars.empty() && sameMinute(minuteBars.back(), *record))
            minuteBars.back() = *record;
        else
            minuteBars.push_back(*record);
    }
};

namespace bar_store_model_detail {

inline bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

inline bool sameRecord(const BarRecordView& a, const BarRecord& b)
{
    return a.lineText == b.lineText && a.timeText == b.timeText && a.year == b.year && a.month == b.month &&
           a.day == b.day && a.hour == b.hour && a.minute == b.minute && a.second == b.second &&
           a.millisecond == b.millisecond && sameBits(a.open, b.open) && sameBits(a.high, b.high) &&
           sameBits(a.low, b.low) && sameBits(a.close, b.close);
}

// As the readers see a list: the views and the CSV export through BarListView, the rest through
// whole copies.
template <typename List>
std::string listDifference(const char* name, const List& list, const std::vector<BarRecord>& model)
{
    const BarListView read(list);
    if (list.size() != model.size() || read.size() != model.size())
        return std::string(name) + ": " + std::to_string(list.size()) + " records, the model has " +
               std::to_string(model.size());
    for (std::size_t i = 0; i < model.size(); ++i)
        if (!sameRecord(read[i], model[i]))
            return std::string(name) + "[" + std::to_string(i) + "] is \"" + std::string(read[i].lineText) +
                   "\", the model has \"" + model[i].lineText + "\"";
    if (!model.empty()) {
        const BarRecord newest = list.back();
        if (!sameRecord(newest, model.back()) || newest.reserved18 != 255 || !newest.reservedText.empty())
            return std::string(name) + ": the copy of the newest record differs";
    }
    return std::string();
}

} // namespace bar_store_model_detail

// Empty when every list of `store` holds exactly what the model holds.
inline std::string listsDifference(const BarStore& store, const BarStoreModel& model)
{
    using bar_store_model_detail::listDifference;
    std::string difference = listDifference("minuteBars", store.minuteBars, model.minuteBars);
    if (difference.empty())
        difference = listDifference("joinedLines", store.joinedLines, model.joinedLines);
    if (difference.empty())
        difference = listDifference("receivedLines", store.receivedLines, model.receivedLines);
    if (difference.empty() && !bar_store_model_detail::sameBits(store.lastClose, model.lastClose))
        difference = "lastClose differs";
    return difference;
}

// The running feed of one script: the minute it is in, the last text sent.
struct ModelFeed {
    int minuteIndex = 0;
    int second = 0;
    std::string lastText;
    int hugeLines = 0;  // lines beyond a text block: a few per script keep the comparisons quick
};

// One tick line of the feed's minute `minuteIndex` (counted from 2026/01/05 00:00).
inline std::string modelLine(int minuteIndex, int second, const std::string& close, bool lineFeed,
                             const std::string& secondText = std::string())
{
    const int day = 5 + minuteIndex / (24 * 60) % 20;
    const int hour = minuteIndex / 60 % 24;
    const int minute = minuteIndex % 60;
    std::string text = "2026/01/" + std::string(day < 10 ? "0" : "") + std::to_string(day) + " " + std::to_string(hour) +
                       ":" + (minute < 10 ? "0" : "") + std::to_string(minute) + ":" +
                       (secondText.empty() ? std::to_string(second) : secondText) + ".125,150.5,150.75,150.25," + close;
    if (lineFeed)
        text += '\n';
    return text;
}

// One step on both the store and the model: a live line (new close or repeated close, same
// minute, next minute, the same minute digits an hour later, the same text polled again), a text
// that must change nothing, a history batch at any time, a copy or move of the whole store, or a
// line long enough to need a text block of its own.
template <typename Pick>
void playModelStep(BarStore& store, BarStoreModel& model, ModelFeed& feed, Pick&& pick)
{
    // "150.50" repeats the close of "150.5" in another text.
    static const char* const kCloses[] = {"150.5", "150.625", "150.5", "151", "149.875", "150.5", "150.50"};
    NoBarLock lock;
    const auto mergeBoth = [&](const std::string& text) {
        mergeLiveText(store, lock, text);
        model.merge(text);
        feed.lastText = text;
    };
    const int kind = pick(0, 19);
    if (kind < 12) {
        const int move = pick(0, 9);
        if (move < 3) {
            ++feed.minuteIndex;
            feed.second = 0;
        } else if (move == 3) {
            feed.minuteIndex += 60;
        }
        feed.second = (feed.second + pick(0, 3)) % 60;
        const int close = pick(0, 9);
        // 0 to 6: one of a few closes, so that repeats are common; otherwise always a new one.
        const std::string closeText =
            close < 7 ? kCloses[close] : std::to_string(150 + feed.minuteIndex % 7) + "." + std::to_string(feed.second + 100);
        mergeBoth(modelLine(feed.minuteIndex, feed.second, closeText, true));
    } else if (kind < 14) {
        if (!feed.lastText.empty())
            mergeBoth(feed.lastText);
    } else if (kind == 14) {
        static const char* const kNothing[] = {"", "\n", "noise\n", "2026/01/05 10:00:00.000,1,2,3,4",
                                              "2026/01/05 10:00:00.000,1,2,3,4\n2026/01/05 10:00:01.000,1,2,3,5\n",
                                              "2026/01/05 10:99999999999:00.000,1,2,3,4\n", "2026/01/05 10:00:00.000,1,2,3,.\n"};
        const std::string text = kNothing[pick(0, 6)];
        mergeLiveText(store, lock, text);
        model.merge(text);
    } else if (kind == 15) {
        std::vector<std::string> lines;
        const int count = pick(0, 4);
        for (int i = 0; i < count; ++i)
            lines.push_back(pick(0, 5) == 0 ? std::string("not a line")
                                            : modelLine(std::max(0, feed.minuteIndex + pick(-3, 3)), pick(0, 59), kCloses[pick(0, 6)], false));
        loadHistory(store, lines);
        model.loadHistory(lines);
    } else if (kind == 16) {
        switch (pick(0, 3)) {
        case 0: {
            BarStore copy(store);
            store = std::move(copy);
            break;
        }
        case 1: {
            BarStore moved(std::move(store));
            store = moved;
            break;
        }
        case 2: {
            BarStore other;
            other = std::move(store);
            store = BarStore(other);
            break;
        }
        default: {
            BarStore& same = store;
            store = same;
            break;
        }
        }
    } else {
        // A seconds field thousands of digits long (the field is not converted, so the line
        // stays valid): more than a text block's worth now and then.
        const bool huge = pick(0, 63) == 0 && feed.hugeLines < 4;
        feed.hugeLines += huge ? 1 : 0;
        const std::size_t digits = huge ? 66000 + static_cast<std::size_t>(pick(0, 9)) : 100 + static_cast<std::size_t>(pick(0, 900));
        mergeBoth(modelLine(feed.minuteIndex, 0, kCloses[pick(0, 6)], true, std::string(digits, '0') + "7"));
    }
}
