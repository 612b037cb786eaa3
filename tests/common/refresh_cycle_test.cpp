#include <gtest/gtest.h>

#include "common/refresh_cycle.h"

TEST(RefreshCycle, TheTickPollsOnlyWhenNoPaintPolledSinceItBegan)
{
    RefreshCycle cycle;
    cycle.begin();
    EXPECT_TRUE(cycle.tickMustPoll()) << "no paint ran";
    cycle.notePoll();
    EXPECT_FALSE(cycle.tickMustPoll()) << "after its own poll the tick is done";

    cycle.begin();
    cycle.notePoll();  // the forced repaint ran
    EXPECT_FALSE(cycle.tickMustPoll());

    // A paint between ticks (uncovered, resized) belongs to no cycle: the next tick still polls
    // when its own repaint does not run.
    cycle.notePoll();
    cycle.begin();
    EXPECT_TRUE(cycle.tickMustPoll());
}
