// Saving a record list as a CSV file chosen by the user. Runs on the user-interface thread while
// a text view is open; nothing here lets a message through while the file is being written.
#pragma once

#include <string>
#include <vector>

#include <windows.h>

#include "client/core/record_list.h"

// The path picked in the save-file dialog, or "" (after the "fail file name" box) when the user
// picked nothing.
std::wstring chooseCsvFileName();

// Asks for a path, asks before overwriting, writes every record newest first and reports a
// failed save in a message box naming the file.
void saveCsvFile(const BarListView& list);

struct CsvWriteResult {
    bool ok = false;
    DWORD error = ERROR_SUCCESS;  // Win32 error of the failed step
    std::wstring step;            // what could not be done, for the message box
    std::wstring keptCopy;        // a copy that holds the whole list, when the file itself is spoilt
};

// Writes the lines to a new file beside the target and flushes it; only then does the new file
// take the target's place (ReplaceFileW, which keeps the old file's attributes and ACL; a plain
// move where that cannot work). When another program holds the target in a way that forbids
// exchanging it but allows writing, the finished lines are copied into the target in place. A
// failure before the target is touched leaves it as it was; the temporary file is removed in
// every outcome except a copy that failed part-way, which keeps it and names it in `keptCopy`.
CsvWriteResult writeCsvFile(const std::wstring& path, const BarListView& list);

// The message-box text of a failed save: the file, what failed, the system's reason and, when
// there is one, the copy that still holds the whole list.
std::wstring describeCsvFailure(const std::wstring& path, const CsvWriteResult& result);
