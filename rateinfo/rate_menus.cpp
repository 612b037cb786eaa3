#include "rateinfo/rate_menus.h"

#include <array>

#include "rateinfo/resource.h"

namespace {

constexpr std::int32_t kRowPitch = 21;

std::map<std::int32_t, std::int32_t> buildWindowHeights()
{
    std::map<std::int32_t, std::int32_t> heights;
    for (std::int32_t rows = kMinRowCount; rows <= kMaxRowCount; ++rows)
        heights.emplace(rows, kWindowHeightFor15Rows + kRowPitch * (rows - kMinRowCount));
    return heights;
}

// The row commands were numbered in two runs: the first sixteen after the other menu ids, the
// rest from 32900 once the decimals had taken 32800 to 32806.
constexpr int kLastLowRowCount = 30;

// Decimal places in menu order of their ids' values: 32800..32806 gives these places.
constexpr std::array<std::int32_t, 7> kPlacesByDecimalsId = {0, 1, 2, 4, 5, 6, 3};

} // namespace

const std::map<std::int32_t, std::int32_t> windowHeightByRows = buildWindowHeights();

std::optional<int> rowCommandId(std::int32_t rowCount)
{
    if (rowCount < kMinRowCount || rowCount > kMaxRowCount)
        return std::nullopt;
    if (rowCount <= kLastLowRowCount)
        return IDM_ROWS_15 + (rowCount - kMinRowCount);
    return IDM_ROWS_31 + (rowCount - (kLastLowRowCount + 1));
}

std::optional<int> decimalsCommandId(std::int32_t decimalPlaces)
{
    for (std::size_t i = 0; i < kPlacesByDecimalsId.size(); ++i)
        if (kPlacesByDecimalsId[i] == decimalPlaces)
            return IDM_DECIMALS_0 + static_cast<int>(i);
    return std::nullopt;
}

RateCommand rateCommandOf(int commandId)
{
    using Kind = RateCommand::Kind;
    if (commandId == IDM_ABOUT)
        return {Kind::About, 0};
    if (commandId == IDM_EXIT)
        return {Kind::Exit, 0};
    if (commandId >= IDM_ROWS_15 && commandId <= IDM_ROWS_30)
        return {Kind::Rows, kMinRowCount + (commandId - IDM_ROWS_15)};
    if (commandId >= IDM_ROWS_31 && commandId <= IDM_ROWS_80)
        return {Kind::Rows, kLastLowRowCount + 1 + (commandId - IDM_ROWS_31)};
    if (commandId >= IDM_DECIMALS_0 && commandId <= IDM_DECIMALS_3)
        return {Kind::Decimals, kPlacesByDecimalsId[static_cast<std::size_t>(commandId - IDM_DECIMALS_0)]};
    return {};
}
