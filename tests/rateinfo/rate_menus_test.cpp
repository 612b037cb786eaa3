// The menu commands the window answers to and the window heights they ask for.
#include <gtest/gtest.h>

#include <set>

#include "rateinfo/rate_menus.h"

namespace {

TEST(WindowHeights, OneRowPitchPerRow)
{
    EXPECT_EQ(windowHeightByRows.size(), 66u);
    EXPECT_EQ(windowHeightByRows.at(15), 450);
    EXPECT_EQ(windowHeightByRows.at(16), 471);
    EXPECT_EQ(windowHeightByRows.at(30), 765);
    EXPECT_EQ(windowHeightByRows.at(31), 786);
    EXPECT_EQ(windowHeightByRows.at(80), 1815);
    EXPECT_EQ(windowHeightByRows.count(14), 0u);
    EXPECT_EQ(windowHeightByRows.count(81), 0u);
}

TEST(RateCommands, RowCommandsHaveTwoIdRanges)
{
    EXPECT_EQ(rateCommandOf(32781).kind, RateCommand::Kind::Rows);
    EXPECT_EQ(rateCommandOf(32781).value, 15);
    EXPECT_EQ(rateCommandOf(32796).value, 30);
    EXPECT_EQ(rateCommandOf(32900).kind, RateCommand::Kind::Rows);
    EXPECT_EQ(rateCommandOf(32900).value, 31);
    EXPECT_EQ(rateCommandOf(32949).value, 80);
    for (int id = 32797; id <= 32799; ++id)
        EXPECT_EQ(rateCommandOf(id).kind, RateCommand::Kind::NotOurs) << id;
    for (int id = 32807; id <= 32899; ++id)
        EXPECT_EQ(rateCommandOf(id).kind, RateCommand::Kind::NotOurs) << id;
    for (int id : {0, 1, 2, 103, 106, 109, 32780, 32950, 65535})
        EXPECT_EQ(rateCommandOf(id).kind, RateCommand::Kind::NotOurs) << id;
}

TEST(RateCommands, EveryRowCountHasOneCommandAndAHeight)
{
    std::set<int> ids;
    for (std::int32_t rows = 15; rows <= 80; ++rows) {
        const auto id = rowCommandId(rows);
        ASSERT_TRUE(id.has_value()) << rows;
        ids.insert(*id);
        const RateCommand command = rateCommandOf(*id);
        EXPECT_EQ(command.kind, RateCommand::Kind::Rows);
        EXPECT_EQ(command.value, rows);
        EXPECT_EQ(windowHeightByRows.count(rows), 1u);
    }
    EXPECT_EQ(ids.size(), 66u);
    EXPECT_FALSE(rowCommandId(14).has_value());
    EXPECT_FALSE(rowCommandId(81).has_value());
}

TEST(RateCommands, DecimalsInMenuOrder)
{
    const int idsInMenuOrder[] = {32800, 32801, 32802, 32806, 32803, 32804, 32805};
    for (std::int32_t places = 0; places <= 6; ++places) {
        const int id = idsInMenuOrder[places];
        EXPECT_EQ(decimalsCommandId(places), id);
        EXPECT_EQ(rateCommandOf(id).kind, RateCommand::Kind::Decimals);
        EXPECT_EQ(rateCommandOf(id).value, places) << id;
    }
    EXPECT_FALSE(decimalsCommandId(7).has_value());
    EXPECT_FALSE(decimalsCommandId(-1).has_value());
}

TEST(RateCommands, AboutAndExit)
{
    EXPECT_EQ(rateCommandOf(104).kind, RateCommand::Kind::About);
    EXPECT_EQ(rateCommandOf(105).kind, RateCommand::Kind::Exit);
}

} // namespace
