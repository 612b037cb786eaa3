// Text utilities shared by both programs. Standard C++ only: the two Win32 calls they need
// (the local clock and the code-page conversion) live in win_text.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A calendar time as the Win32 side reads it from GetLocalTime.
struct LocalDateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// "YYYY/MM/DD hh:mm:ss.mmm", zero-filled; the clock text of both programs.
std::string formatTimestamp(const LocalDateTime& time);

// Pieces of `text` between occurrences of `delimiter`; the piece after the last one is always
// kept, even when empty. An empty delimiter gives the whole text as the only piece.
std::vector<std::string> splitLines(const std::string& text, const std::string& delimiter);

// Whole-text ECMAScript match: the whole match, then every group (a group that did not take part
// gives ""), or an empty list. Compiled patterns are cached per thread.
// This is the general tool and the reference for the scanners in tick_scan.h; std::regex recurses
// per character, so the hot paths and any text of unbounded length use the scanners instead.
std::vector<std::string> matchGroups(const std::string& text, const std::string& pattern);

// Group 1 "/" 2 "/" 3 " " 4 ":" 5 ":" 6 "." 7 of a tick-line or time-only group list.
std::string rebuildTimeText(const std::vector<std::string>& groups);

// Text of a failed code-page conversion, by its Win32 error code.
std::string describeConversionError(unsigned long errorCode);

// Decimal text of a 32-bit integer as UTF-16 (no leading zeros, "-" for negatives).
std::wstring intToWide(std::int32_t value);
