// The two text utilities that need Win32: the local clock and the Shift-JIS conversion.
#pragma once

#include <string>

// The local time as "YYYY/MM/DD hh:mm:ss.mmm".
std::string makeTimestampText();

// Shift-JIS (code page 932) to UTF-16, cut at the first NUL. Throws std::runtime_error naming the
// Win32 error when the conversion fails.
std::wstring toWide(const std::string& text);
