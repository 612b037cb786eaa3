// `orvane-feed status` and `orvane-feed record`: the feed read from outside, without disturbing it.
// Both map the section read-only and keep no reader position of the DLL's, so no program's
// ReadLinesMT5 sees any difference; they never take the writer lock either (its state is queried).
#pragma once

#include <windows.h>

#include <string>

// Prints the status once, or every second until `stopEvent` with `watch`. Exit code as
// feedStatusExitCode (0 live writer, 1 none, 2 unreadable section) of the last report.
int runStatus(bool watch, HANDLE stopEvent);

// Waits for a live writer, then records it into `file` in the replay format until the writer
// closes or ends, or `stopEvent`. 0 done, 1 the file cannot be written or lines were lost.
int runRecord(const std::wstring& file, HANDLE stopEvent);
