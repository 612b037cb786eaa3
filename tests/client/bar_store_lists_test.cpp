// The store's lists share their storage (packed records, received lines as positions in the
// joined lines); here they are held against plain copies over long random scripts.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "client/bar_store_model.h"

namespace {

// In the live view the window is the newest bars, newest first.
std::string windowDifference(const BarStore& store, const BarStoreModel& model, const ChartSettings& settings)
{
    const auto window = static_cast<std::size_t>(displayWindowSize(settings));
    if (model.minuteBars.size() < window)
        return std::string();
    if (store.displayList.size() != window)
        return "displayList holds " + std::to_string(store.displayList.size()) + " bars";
    std::size_t index = model.minuteBars.size() - 1;
    for (const BarRecord& shown : store.displayList) {
        const BarRecord& expected = model.minuteBars[index--];
        if (shown.lineText != expected.lineText || shown.timeText != expected.timeText || shown.close != expected.close)
            return "displayList shows \"" + shown.lineText + "\" where the model has \"" + expected.lineText + "\"";
    }
    return std::string();
}

TEST(BarStoreLists, EveryListMatchesACopyBasedModelOverRandomScripts)
{
    std::mt19937 rng(20261209);
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::size_t received = 0;
    std::size_t bars = 0;
    for (int round = 0; round < 6; ++round) {
        BarStore store;
        BarStoreModel model;
        ModelFeed feed;
        ChartSettings settings;
        NoBarLock lock;
        settings.candleCount = 5 + round;
        settings.lookBackCount = 3;
        for (int step = 0; step < 1500; ++step) {
            playModelStep(store, model, feed, pick);
            ASSERT_EQ(listsDifference(store, model), "") << "round " << round << " step " << step;
            updateDisplayWindow(store, settings, lock);
            ASSERT_EQ(windowDifference(store, model, settings), "") << "round " << round << " step " << step;
        }
        received += store.receivedLines.size();
        bars += store.minuteBars.size();
    }
    // The scripts reached deep enough: many accepted lines and bars, not a few records checked.
    EXPECT_GT(received, 3000u);
    EXPECT_GT(bars, 3000u);
}

// Records that do not come from a tick line (the views' tests build them by hand): a time text
// that is not the front of the line text, empty texts, texts beyond a block, and replacements
// that view the list's own texts.
TEST(RecordListRecords, ReadBackWholeWhateverTheirTexts)
{
    const auto recordOf = [](std::string line, std::string time, double close) {
        BarRecord record;
        record.lineText = std::move(line);
        record.timeText = std::move(time);
        record.minute = static_cast<int>(close);
        record.second = 7;
        record.close = close;
        return record;
    };
    std::vector<BarRecord> expected{recordOf("", "2026/12/08 10:15:00.000", 1), recordOf("2026/1/2 3:4:5.6,1,1,1,1", "2026/1/2 3:4:5.6", 2),
                                    recordOf("line", "", 3), recordOf("", "", 4), recordOf(std::string(70000, 'x'), "y", 5)};
    RecordList list;
    list = expected;
    const auto same = [&](const char* when) {
        ASSERT_EQ(list.size(), expected.size()) << when;
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_TRUE(bar_store_model_detail::sameRecord(list.view(i), expected[i])) << when << ", record " << i;
    };
    same("after the assignment");

    // The newest record replaced by a view of its own texts, then by one of an older record's.
    list.replaceBack(list.backView());
    same("replaced by itself");
    BarRecordView older = list.view(1);
    older.close = 6;
    list.replaceBack(older);
    expected.back() = older.toRecord();
    same("replaced by an older record's texts");
    BarRecordView own = list.backView();
    own.lineText = own.lineText.substr(3);
    list.replaceBack(own);
    expected.back().lineText = expected.back().lineText.substr(3);
    same("replaced by a part of its own line");
    for (int i = 0; i < 200; ++i) {
        const BarRecord next = recordOf(std::string(static_cast<std::size_t>(i) * 37 % 3000, static_cast<char>('a' + i % 26)),
                                        std::to_string(i), i);
        list.push_back(next);
        expected.push_back(next);
        if (i % 3 == 0) {
            const BarRecord longer = recordOf(next.lineText + next.lineText, next.timeText, i + 0.5);
            list.replaceBack(longer);
            expected.back() = longer;
        }
    }
    same("after appending and replacing across blocks");
    RecordList copy;
    copy = std::move(list);
    EXPECT_TRUE(list.empty());
    list = copy;
    same("copied back after a move");
}

} // namespace
