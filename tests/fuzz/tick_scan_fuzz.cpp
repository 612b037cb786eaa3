// Differential fuzz target: the scanners and conversions must equal matchGroups with the real
// patterns and std::stoi / std::stod, for any bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/text_utils.h"
#include "common/tick_patterns.h"
#include "common/tick_scan.h"
#include "support/reference_conversions.h"

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // std::regex recurses per character; the reference is only asked about lines of tick size.
    if (size > 512)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);

    check(matchTickLine(text, LineEnd::None) == matchGroups(text, TickLinePattern));
    check(matchTickLine(text, LineEnd::LineFeed) == matchGroups(text, LiveTickLinePattern));
    TimeOnlyFields time;
    const auto timeReference = matchGroups(text, TimeOnlyPattern);
    if (scanTimeOnly(text, time))
        check(std::vector<std::string>(time.group.begin(), time.group.end()) == timeReference);
    else
        check(timeReference.empty());

    check(toInt32(text) == referenceStoi(text));
    const auto mine = toDouble(text);
    const auto reference = referenceStod(text);
    check(mine.has_value() == reference.has_value());
    if (mine && !(*mine != *mine))
        check(*mine == *reference);
    return 0;
}
