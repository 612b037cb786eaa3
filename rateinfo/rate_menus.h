// The menu commands of the rate-info window and the window size that each row count needs.
// Standard C++ only.
#pragma once

#include <cstdint>
#include <map>
#include <optional>

inline constexpr std::int32_t kMinRowCount = 15;
inline constexpr std::int32_t kMaxRowCount = 80;
inline constexpr std::int32_t kMinDecimalPlaces = 0;
inline constexpr std::int32_t kMaxDecimalPlaces = 6;

inline constexpr int kWindowLeft = 50;
inline constexpr int kWindowTop = 50;
inline constexpr int kWindowWidth = 305;
inline constexpr int kWindowHeightFor15Rows = 450;

// Row count to window height in pixels: 66 entries, 15 to 80, one table row pitch per row.
extern const std::map<std::int32_t, std::int32_t> windowHeightByRows;

struct RateCommand {
    enum class Kind { NotOurs, About, Exit, Rows, Decimals };
    Kind kind = Kind::NotOurs;
    std::int32_t value = 0;  // the row count or the decimal places
};

// What a WM_COMMAND identifier asks for; NotOurs for any identifier the menus do not send.
RateCommand rateCommandOf(int commandId);

// The menu item identifiers, for the resource test and the command table's own checks.
std::optional<int> rowCommandId(std::int32_t rowCount);
std::optional<int> decimalsCommandId(std::int32_t decimalPlaces);
