// The store's lists share their storage (packed records, received lines as positions in the
// joined lines); here they are held against plain copies over long random scripts.
#include <gtest/gtest.h>

#include <random>
#include <string>

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

} // namespace
