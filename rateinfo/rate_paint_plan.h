// What one paint of the rate-info window draws, worked out without any drawing API: the texts
// with their fonts and positions, and the text colour changes in the order the device context
// sees them. The order matters because a time whose second is outside the minute sets no colour
// and so inherits whatever colour the previous step left behind.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "rateinfo/rate_model.h"

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};

// The colour of a tick time by the quarter of the minute it fell in; none outside 0 to 59.
std::optional<Rgb> secondBandColour(std::int32_t second);

// The large latest close: coloured by the newest two entries; none (stays black) with fewer.
std::optional<Rgb> latestCloseColour(const RateHistory& history);

// A table row's close against the older entry that follows it.
Rgb rowCloseColour(double close, double olderClose);

// Fixed-point with exactly `decimalPlaces` digits, "." and no grouping whatever the locale.
std::string formatClose(double close, std::int32_t decimalPlaces);

// A "MS PGothic" font of this height and weight; an item without one uses the stock system font.
struct FontSpec {
    int height = 0;
    int weight = 0;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// Feed texts stay 8-bit until drawn; the program's own texts are UTF-16 already.
using PaintText = std::variant<std::string, std::wstring>;

struct PaintStep {
    enum class Kind { SetColour, Text };
    Kind kind = Kind::Text;
    Rgb colour;                     // SetColour
    std::optional<FontSpec> font;   // Text
    int x = 0;                      // Text: top-left corner in client pixels
    int y = 0;
    PaintText text;                 // Text
};

using PaintPlan = std::vector<PaintStep>;

// Symbol and clock: drawn before the feed is read.
PaintPlan planHeader(const std::wstring& symbolText, const std::wstring& clockText);

// The latest tick (nothing before the first) and the table of up to rowCount earlier entries,
// drawn after the refresh.
PaintPlan planRates(const std::optional<LatestTick>& latest, const RateHistory& history, std::int32_t rowCount,
                    std::int32_t decimalPlaces);

// The plan as it lands on the screen: each text with the colour in force when it is drawn,
// starting from the device context's black.
struct DrawnText {
    PaintText text;
    std::optional<FontSpec> font;
    int x = 0;
    int y = 0;
    Rgb colour;
};
std::vector<DrawnText> drawnTexts(const PaintPlan& plan);

// The same texts with the same colours, grouped by font in the order the fonts first appear, each
// group in plan order. Selecting a font costs far more than drawing a text under Wine, and a
// paint alternates two fonts row by row. The pixels stay the same: only a row's time and close
// move relative to other rows' texts and the latest close, and those never overlap (a row is 21
// pixels high, its texts are at most 16 high, the latest close ends above the first row).
std::vector<DrawnText> textsByFont(const PaintPlan& plan);
