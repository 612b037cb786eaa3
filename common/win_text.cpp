#include "common/win_text.h"

#include <stdexcept>
#include <vector>

#include <windows.h>

#include "common/text_utils.h"

namespace {
constexpr UINT kShiftJisCodePage = 932;
}

std::string makeTimestampText()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    LocalDateTime time;
    time.year = now.wYear;
    time.month = now.wMonth;
    time.day = now.wDay;
    time.hour = now.wHour;
    time.minute = now.wMinute;
    time.second = now.wSecond;
    time.millisecond = now.wMilliseconds;
    return formatTimestamp(time);
}

std::wstring toWide(const std::string& text)
{
    // -1: the source runs to its terminating NUL, which the measured length then includes.
    const int needed = MultiByteToWideChar(kShiftJisCodePage, 0, text.c_str(), -1, nullptr, 0);
    if (needed <= 0)
        throw std::runtime_error("toWide: MultiByteToWideChar failed: " + describeConversionError(GetLastError()));
    std::vector<wchar_t> buffer(static_cast<std::size_t>(needed));
    if (MultiByteToWideChar(kShiftJisCodePage, 0, text.c_str(), -1, buffer.data(), needed) <= 0)
        throw std::runtime_error("toWide: MultiByteToWideChar failed: " + describeConversionError(GetLastError()));
    return std::wstring(buffer.data());
}
