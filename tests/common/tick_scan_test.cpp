// The scanners against the reference they replace: matchGroups with the real patterns and the
// standard conversions, on hand-picked and on random inputs.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "common/text_utils.h"
#include "common/tick_patterns.h"
#include "common/tick_scan.h"
#include "support/reference_conversions.h"

namespace {

void expectSameAsRegex(const std::string& text)
{
    EXPECT_EQ(matchTickLine(text, LineEnd::None), matchGroups(text, TickLinePattern)) << text;
    EXPECT_EQ(matchTickLine(text, LineEnd::LineFeed), matchGroups(text, LiveTickLinePattern)) << text;
    TimeOnlyFields time;
    const auto reference = matchGroups(text, TimeOnlyPattern);
    if (scanTimeOnly(text, time)) {
        EXPECT_EQ(std::vector<std::string>(time.group.begin(), time.group.end()), reference) << text;
    } else {
        EXPECT_TRUE(reference.empty()) << text;
    }
}

TEST(TickScan, AgreesWithTheRegexOnHandPickedLines)
{
    for (const std::string text : {
             "2021/03/05 09:07:02.045,1.23456,1.23500,1.23400,1.23470",
             "2021/03/05 09:07:02.045,1.23456,1.23500,1.23400,1.23470\n",
             "2021/03/05 09:07:02.045,1.23456,1.23500,1.23400,1.23470\r\n",
             "2021/03/05 09:07:02.045,1.23456,1.23500,1.23400,1.23470\n\n",
             "2021/3/5 9:7:2.45,1,1,1,1",
             "2021/03/05 09:07:02.045,.,.,.,.",
             "2021/03/05 09:07:02.045,1..2,3.,.4,5",
             "2021/03/05 09:07:02.045",
             "2021/03/05 09:07:02.045\n",
             "2021/03/05 09:07:02.,1,1,1,1",
             "2021/03/05  09:07:02.045,1,1,1,1",
             "2021/03/05 09:07:02.045,1,1,1,1,",
             "2021/03/05 09:07:02.045,1,1,1",
             "/03/05 09:07:02.045,1,1,1,1",
             "",
             "\n",
         }) {
        expectSameAsRegex(text);
    }
}

// Random lines built from the pattern's own alphabet, with mutations, hit the boundaries far more
// often than random bytes would.
std::string randomLine(std::mt19937& rng)
{
    static const std::string alphabet = "0123456789./: ,\n\r-e";
    std::uniform_int_distribution<int> pick(0, 99);
    std::string line = "2021/03/05 09:07:02.045,1.2,1.3,1.1,1.25";
    if (pick(rng) < 50)
        line += "\n";
    const int edits = pick(rng) % 4;
    for (int i = 0; i < edits; ++i) {
        const std::size_t at = static_cast<std::size_t>(pick(rng)) % (line.size() + 1);
        const char c = alphabet[static_cast<std::size_t>(pick(rng)) % alphabet.size()];
        switch (pick(rng) % 3) {
        case 0: line.insert(line.begin() + static_cast<std::ptrdiff_t>(at), c); break;
        case 1:
            if (at < line.size())
                line.erase(at, 1);
            break;
        default:
            if (at < line.size())
                line[at] = c;
            break;
        }
    }
    return line;
}

TEST(TickScan, AgreesWithTheRegexOnRandomLines)
{
    std::mt19937 rng(20211205);
    for (int i = 0; i < 20000; ++i)
        expectSameAsRegex(randomLine(rng));
}

void expectSameNumbers(const std::string& text)
{
    EXPECT_EQ(toInt32(text), referenceStoi(text)) << text;
    const auto mine = toDouble(text);
    const auto reference = referenceStod(text);
    ASSERT_EQ(mine.has_value(), reference.has_value()) << text;
    if (mine) {
        EXPECT_EQ(*mine, *reference) << text;
    }
}

TEST(TickScan, ConversionsAgreeWithTheStandardOnes)
{
    const std::string zeros(400, '0');
    const std::string nines(400, '9');
    for (const std::string& text : std::vector<std::string>{
             "0", "7", "07", "2147483647", "2147483648", "99999999999", "4294967296",
             "1.2.3", ".", "..", ".5", "5.", "0.000", "1.23470", "109.1",
             "0." + zeros + "1", nines, nines + ".5", "0." + std::string(300, '0') + "22250738585072014",
             "0." + std::string(307, '0') + "1", "0." + std::string(322, '0') + "5",
             " 12", "+5", "-5", "abc", "", "0x1A", "-0x10", "0x", "1e5", "inf",
         }) {
        expectSameNumbers(text);
    }
}

TEST(TickScan, ConversionsAgreeOnRandomDigitRuns)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> length(1, 30);
    std::uniform_int_distribution<int> digit(0, 11);
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        const int n = length(rng);
        for (int k = 0; k < n; ++k) {
            const int d = digit(rng);
            text += d < 10 ? static_cast<char>('0' + d) : '.';
        }
        expectSameNumbers(text);
    }
}

} // namespace
