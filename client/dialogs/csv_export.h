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
};

// Writes the lines to a new file in the target's folder and only then moves it over `path`, so a
// failed save leaves an existing file as it was and never leaves half a file behind.
CsvWriteResult writeCsvFile(const std::wstring& path, const BarListView& list);

// The message-box text of a failed save: the file, what failed and the system's reason.
std::wstring describeCsvFailure(const std::wstring& path, const CsvWriteResult& result);
