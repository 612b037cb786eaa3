// IndicatorExchange: the record that the chart client shares with TessaraChartDll.
//
// The offsets are a contract with a separately built library, so every one is asserted below.
// Integers are 32-bit little-endian unless noted, doubles IEEE 754, points pairs of 32-bit x, y.
// The gaps (libraryArea*) belong to the library: the client never reads or writes them.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kIndicatorExchangeSize = 270616;
inline constexpr int kBarCapacity = 2048;          // per-bar arrays, time lines, lagging span
inline constexpr int kScaleLineCapacity = 4096;    // horizontal lines, base-line points

struct ExchangePoint {
    std::int32_t x;
    std::int32_t y;
};

// Two 64-bit parameter words sit at offsets that are 4 modulo 8, so the record is 4-byte packed.
#pragma pack(push, 4)
struct IndicatorExchange {
    ExchangePoint plotTopLeft;                               // 0x00000 client
    ExchangePoint plotTopRight;                              // 0x00008 client
    ExchangePoint plotBottomLeft;                            // 0x00010 client
    ExchangePoint plotBottomRight;                           // 0x00018 client
    unsigned char libraryArea0[0x40 - 0x20];
    std::int32_t snapshotSize;                               // 0x00040 client, when not empty
    std::int32_t newestTimeSum;                              // 0x00044 client, when not empty
    std::int32_t oldestTimeSum;                              // 0x00048 client, when not empty
    unsigned char libraryArea1[0x58 - 0x4C];
    double oldestClose;                                      // 0x00058 client, when not empty
    unsigned char libraryArea2[0x80 - 0x60];
    double priceHigh;                                        // 0x00080 client
    double priceLow;                                         // 0x00088 client
    unsigned char libraryArea3[0xA0 - 0x90];
    std::int32_t visibleCount;                               // 0x000A0 client
    std::int32_t futureView;                                 // 0x000A4 client
    std::int32_t barMonth[kBarCapacity];                     // 0x000A8 client (index 0 = newest)
    std::int32_t barDay[kBarCapacity];                       // 0x020A8 client
    std::int32_t barHour[kBarCapacity];                      // 0x040A8 client
    std::int32_t barMinute[kBarCapacity];                    // 0x060A8 client
    std::int32_t filledCount;                                // 0x080A8 client
    unsigned char libraryArea4[0xA0B0 - 0x80AC];
    double barOpen[kBarCapacity];                            // 0x0A0B0 client
    double barHigh[kBarCapacity];                            // 0x0E0B0 client
    double barLow[kBarCapacity];                             // 0x120B0 client
    double barClose[kBarCapacity];                           // 0x160B0 client
    unsigned char libraryArea5[0x1A0BC - 0x1A0B0];
    std::int32_t scaleStartX;                                // 0x1A0BC library
    std::int32_t scaleEndX;                                  // 0x1A0C0 library
    std::int32_t scaleRow[kScaleLineCapacity];               // 0x1A0C4 library
    unsigned char libraryArea6[0x1E0C8 - 0x1E0C4];
    std::int32_t scaleCount;                                 // 0x1E0C8 library
    unsigned char libraryArea7[0x1E0D0 - 0x1E0CC];
    double verticalSpan;                                     // 0x1E0D0 client
    unsigned char libraryArea8[0x1E0E0 - 0x1E0D8];
    std::int32_t timeLineCount;                              // 0x1E0E0 library
    std::int32_t timeLineX[kBarCapacity];                    // 0x1E0E4 library
    std::int32_t timeLineTop;                                // 0x200E4 library
    std::int32_t timeLineBottom;                             // 0x200E8 library
    std::int32_t timeLabelFirst[kBarCapacity];               // 0x200EC library (small label)
    std::int32_t timeLabelSecond[kBarCapacity];              // 0x220EC library (small label)
    std::int32_t timeLabelLarge[kBarCapacity];               // 0x240EC library
    std::int64_t emaParameter;                               // 0x260EC client: 20
    unsigned char libraryArea9[0x2A0F8 - 0x260F4];
    std::int32_t emaX[kBarCapacity];                         // 0x2A0F8 library
    std::int32_t emaY[kBarCapacity];                         // 0x2C0F8 library
    unsigned char libraryArea10[0x2E0FC - 0x2E0F8];
    std::int64_t baseLineParameter;                          // 0x2E0FC client: 106
    unsigned char libraryArea11[0x36108 - 0x2E104];
    ExchangePoint baseLine[kScaleLineCapacity];              // 0x36108 library
    std::int32_t baseLineCount;                              // 0x3E108 library
    std::int32_t laggingParameter;                           // 0x3E10C client: 25
    ExchangePoint laggingSpan[kBarCapacity];                 // 0x3E110 library
    std::int32_t laggingCount;                               // 0x42110 library
    std::int32_t reserved;                                   // 0x42114
};
#pragma pack(pop)

static_assert(offsetof(IndicatorExchange, plotTopLeft) == 0x00000);
static_assert(offsetof(IndicatorExchange, plotTopRight) == 0x00008);
static_assert(offsetof(IndicatorExchange, plotBottomLeft) == 0x00010);
static_assert(offsetof(IndicatorExchange, plotBottomRight) == 0x00018);
static_assert(offsetof(IndicatorExchange, snapshotSize) == 0x00040);
static_assert(offsetof(IndicatorExchange, newestTimeSum) == 0x00044);
static_assert(offsetof(IndicatorExchange, oldestTimeSum) == 0x00048);
static_assert(offsetof(IndicatorExchange, oldestClose) == 0x00058);
static_assert(offsetof(IndicatorExchange, priceHigh) == 0x00080);
static_assert(offsetof(IndicatorExchange, priceLow) == 0x00088);
static_assert(offsetof(IndicatorExchange, visibleCount) == 0x000A0);
static_assert(offsetof(IndicatorExchange, futureView) == 0x000A4);
static_assert(offsetof(IndicatorExchange, barMonth) == 0x000A8);
static_assert(offsetof(IndicatorExchange, barDay) == 0x020A8);
static_assert(offsetof(IndicatorExchange, barHour) == 0x040A8);
static_assert(offsetof(IndicatorExchange, barMinute) == 0x060A8);
static_assert(offsetof(IndicatorExchange, filledCount) == 0x080A8);
static_assert(offsetof(IndicatorExchange, barOpen) == 0x0A0B0);
static_assert(offsetof(IndicatorExchange, barHigh) == 0x0E0B0);
static_assert(offsetof(IndicatorExchange, barLow) == 0x120B0);
static_assert(offsetof(IndicatorExchange, barClose) == 0x160B0);
static_assert(offsetof(IndicatorExchange, scaleStartX) == 0x1A0BC);
static_assert(offsetof(IndicatorExchange, scaleEndX) == 0x1A0C0);
static_assert(offsetof(IndicatorExchange, scaleRow) == 0x1A0C4);
static_assert(offsetof(IndicatorExchange, scaleCount) == 0x1E0C8);
static_assert(offsetof(IndicatorExchange, verticalSpan) == 0x1E0D0);
static_assert(offsetof(IndicatorExchange, timeLineCount) == 0x1E0E0);
static_assert(offsetof(IndicatorExchange, timeLineX) == 0x1E0E4);
static_assert(offsetof(IndicatorExchange, timeLineTop) == 0x200E4);
static_assert(offsetof(IndicatorExchange, timeLineBottom) == 0x200E8);
static_assert(offsetof(IndicatorExchange, timeLabelFirst) == 0x200EC);
static_assert(offsetof(IndicatorExchange, timeLabelSecond) == 0x220EC);
static_assert(offsetof(IndicatorExchange, timeLabelLarge) == 0x240EC);
static_assert(offsetof(IndicatorExchange, emaParameter) == 0x260EC);
static_assert(offsetof(IndicatorExchange, emaX) == 0x2A0F8);
static_assert(offsetof(IndicatorExchange, emaY) == 0x2C0F8);
static_assert(offsetof(IndicatorExchange, baseLineParameter) == 0x2E0FC);
static_assert(offsetof(IndicatorExchange, baseLine) == 0x36108);
static_assert(offsetof(IndicatorExchange, baseLineCount) == 0x3E108);
static_assert(offsetof(IndicatorExchange, laggingParameter) == 0x3E10C);
static_assert(offsetof(IndicatorExchange, laggingSpan) == 0x3E110);
static_assert(offsetof(IndicatorExchange, laggingCount) == 0x42110);
static_assert(offsetof(IndicatorExchange, reserved) == 0x42114);
static_assert(sizeof(IndicatorExchange) == kIndicatorExchangeSize);
