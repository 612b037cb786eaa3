#include "client/dialogs/csv_export.h"

#include <commdlg.h>
#include <shlwapi.h>

#include <algorithm>
#include <exception>
#include <new>
#include <string_view>
#include <utility>

#include "client/dialogs/dialog_rules.h"

namespace {

constexpr DWORD kFileNameCapacity = 4096;

// CreateFileW / CloseHandle; close() reports whether the last buffered bytes reached the file.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) noexcept : handle_(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { close(); }
    bool valid() const noexcept { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const noexcept { return handle_; }
    bool close() noexcept
    {
        if (!valid())
            return true;
        return CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != FALSE;
    }

private:
    HANDLE handle_;
};

// The temporary file is removed unless it was moved over the target.
class TemporaryFile {
public:
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile()
    {
        if (!path_.empty())
            DeleteFileW(path_.c_str());
    }
    void own(std::wstring path) { path_ = std::move(path); }
    const std::wstring& path() const noexcept { return path_; }
    void release() noexcept { path_.clear(); }

private:
    std::wstring path_;
};

CsvWriteResult failure(const wchar_t* step, DWORD error)
{
    CsvWriteResult result;
    result.error = error;
    result.step = step;
    return result;
}

std::wstring folderOf(const std::wstring& path)
{
    const auto slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos)
        return L".";
    // Keep the root's own separator: "C:\" stays a folder, "C:" would mean the current one.
    return path.substr(0, slash == 0 || path[slash - 1] == L':' ? slash + 1 : slash);
}

bool writeAll(HANDLE file, std::string_view bytes, DWORD& error)
{
    while (!bytes.empty()) {
        const DWORD request = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), request, &written, nullptr) || written == 0) {
            error = GetLastError();
            if (error == ERROR_SUCCESS)
                error = ERROR_WRITE_FAULT;
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

CsvWriteResult writeCsvFileUnguarded(const std::wstring& path, const BarListView& list)
{
    // An existing target that cannot be written (read-only, a folder, locked) would only fail at
    // the final move, after the whole list went to disk: find out first.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // Asked for by name: a privileged process could open a read-only file all the same, and
        // the final move would then replace it.
        if (attributes & FILE_ATTRIBUTE_READONLY)
            return failure(L"The file is read-only", ERROR_ACCESS_DENIED);
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return failure(L"The name belongs to a folder", ERROR_ACCESS_DENIED);
        FileHandle probe(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!probe.valid())
            return failure(L"The file cannot be opened for writing", GetLastError());
    }

    TemporaryFile temporary;
    {
        wchar_t name[MAX_PATH + 1] = {};
        if (GetTempFileNameW(folderOf(path).c_str(), L"csv", 0, name) == 0)
            return failure(L"No temporary file can be created in the file's folder", GetLastError());
        temporary.own(name);
    }

    FileHandle file(CreateFileW(temporary.path().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return failure(L"The temporary file cannot be opened", GetLastError());

    DWORD writeError = ERROR_SUCCESS;
    const bool written = writeCsvLines(list, [&](std::string_view bytes) { return writeAll(file.get(), bytes, writeError); });
    if (!written)
        return failure(L"Writing the lines failed", writeError);
    // The old file is about to go: make sure the new one is really on the disk first.
    if (!FlushFileBuffers(file.get()))
        return failure(L"Writing the lines failed", GetLastError());
    if (!file.close())
        return failure(L"Closing the file failed", GetLastError());

    if (!MoveFileExW(temporary.path().c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return failure(L"The file cannot be replaced", GetLastError());
    temporary.release();

    CsvWriteResult result;
    result.ok = true;
    return result;
}

std::wstring systemMessage(DWORD error)
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (length > 0 && buffer)
        text.assign(buffer, length);
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    if (text.empty())
        text = L"system error";
    return text + L" (error " + std::to_wstring(error) + L")";
}

} // namespace

std::wstring chooseCsvFileName()
{
    std::vector<wchar_t> buffer(kFileNameCapacity, L'\0');
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = nullptr;
    request.lpstrFilter = L"text file(*.csv)\0*.csv\0";  // the literal's own NUL ends the list
    request.lpstrFile = buffer.data();
    request.nMaxFile = kFileNameCapacity;
    request.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    request.lpstrDefExt = L"csv";
    if (!GetSaveFileNameW(&request)) {
        MessageBoxW(nullptr, L"fail file name", L"fail", MB_OK);
        // After a failure the buffer may hold the size it would have needed, not a name.
        return std::wstring();
    }
    return std::wstring(buffer.data());
}

CsvWriteResult writeCsvFile(const std::wstring& path, const BarListView& list)
{
    try {
        return writeCsvFileUnguarded(path, list);
    } catch (const std::bad_alloc&) {
        return failure(L"Building the lines failed", ERROR_NOT_ENOUGH_MEMORY);
    } catch (const std::exception&) {
        return failure(L"Building the lines failed", ERROR_INVALID_DATA);
    }
}

std::wstring describeCsvFailure(const std::wstring& path, const CsvWriteResult& result)
{
    return L"The file was not saved:\n" + path + L"\n\n" + result.step + L": " + systemMessage(result.error) + L".";
}

void saveCsvFile(const BarListView& list)
{
    const std::wstring path = chooseCsvFileName();
    // Nothing was chosen: the user has seen "fail file name" and there is no file to open.
    if (path.empty())
        return;
    if (PathFileExistsW(path.c_str()) && MessageBoxA(nullptr, "Over Write?", "Over Write?", MB_YESNO) != IDYES)
        return;
    const CsvWriteResult result = writeCsvFile(path, list);
    if (!result.ok)
        MessageBoxW(nullptr, describeCsvFailure(path, result).c_str(), L"Save failed", MB_OK | MB_ICONERROR);
}
