#include "client/dialogs/csv_export.h"

#include <commdlg.h>
#include <shlwapi.h>

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <exception>
#include <new>
#include <string_view>
#include <utility>

#include "client/dialogs/dialog_rules.h"

namespace {

constexpr DWORD kFileNameCapacity = 4096;
constexpr DWORD kCopyChunk = 1u << 20;
constexpr int kTemporaryNameTries = 100;
// Attributes a user sets on purpose; a replacement carries them over from the old file.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr DWORD kSettableAttributes = kKeptAttributes | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_TEMPORARY |
                                      FILE_ATTRIBUTE_OFFLINE;
constexpr std::wstring_view kExtendedPrefix = L"\\\\?\\";
constexpr std::wstring_view kExtendedUncPrefix = L"\\\\?\\UNC\\";
constexpr std::wstring_view kDevicePrefix = L"\\\\.\\";

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

// The temporary file is removed unless it took the target's place or is kept as the only
// complete copy of the list.
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

CsvWriteResult success()
{
    CsvWriteResult result;
    result.ok = true;
    return result;
}

bool startsWith(const std::wstring& text, std::wstring_view prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// The same file as a name without the length limit of plain names, for the temporary file only:
// its name is longer than the target's, so a target that a plain open just accepts would
// otherwise get a temporary name that no call accepts. "" when the path cannot be made full.
std::wstring extendedName(const std::wstring& path)
{
    if (startsWith(path, kExtendedPrefix) || startsWith(path, kDevicePrefix))
        return path;
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return std::wstring();
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed)
        return std::wstring();
    full.resize(length);
    if (startsWith(full, L"\\\\"))
        return std::wstring(kExtendedUncPrefix) + full.substr(2);
    return std::wstring(kExtendedPrefix) + full;
}

// A temporary name as the user would write it, for the message box.
std::wstring shownName(const std::wstring& path)
{
    if (startsWith(path, kExtendedUncPrefix))
        return L"\\\\" + path.substr(kExtendedUncPrefix.size());
    if (startsWith(path, kExtendedPrefix))
        return path.substr(kExtendedPrefix.size());
    return path;
}

// A new file beside the target, named after it, so that the exchange is a rename within one
// folder. CREATE_NEW makes the name ours; a name left over from an earlier run is skipped.
CsvWriteResult createTemporary(const std::wstring& path, TemporaryFile& temporary, HANDLE& file)
{
    static std::atomic<unsigned> serial{GetTickCount()};
    DWORD error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
        wchar_t suffix[40];
        std::swprintf(suffix, std::size(suffix), L".~%lx-%x.tmp", GetCurrentProcessId(), serial.fetch_add(1));
        std::wstring name = path + suffix;
        if (name.size() >= MAX_PATH && !startsWith(name, kExtendedPrefix))
            name = extendedName(name);
        if (name.empty())
            return failure(L"No temporary file can be created in the file's folder", ERROR_FILENAME_EXCED_RANGE);
        file = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            temporary.own(std::move(name));
            return success();
        }
        error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            break;
    }
    return failure(L"No temporary file can be created in the file's folder", error);
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

// ReplaceFileW and moves drop what the new file lacks; Wine's ReplaceFileW drops the attributes.
void restoreAttributes(const std::wstring& path, DWORD oldAttributes)
{
    const DWORD now = GetFileAttributesW(path.c_str());
    if (now == INVALID_FILE_ATTRIBUTES)
        return;
    const DWORD current = now & kSettableAttributes;
    const DWORD wanted = (current & ~kKeptAttributes) | (oldAttributes & kKeptAttributes);
    // A failure leaves a complete file without its old attributes: nothing a user must act on.
    if (wanted != current)
        SetFileAttributesW(path.c_str(), wanted != 0 ? wanted : FILE_ATTRIBUTE_NORMAL);
}

// A program that holds the file without letting others delete it blocks every exchange of the
// file (and Wine's ReplaceFileW would leave a file of its own behind trying).
bool heldAgainstExchange(const std::wstring& path)
{
    const HANDLE probe = CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = GetLastError();
    FileHandle owner(probe);
    return !owner.valid() && error == ERROR_SHARING_VIOLATION;
}

// The target may be open in another program that shares it for writing (a viewer, a tail): the
// finished lines are copied into it, truncating it first, as a plain write would. Until the
// truncation nothing has changed; after it, a failure leaves the temporary file as the one
// complete copy, and the report names it.
CsvWriteResult writeInPlace(const std::wstring& path, TemporaryFile& temporary)
{
    FileHandle source(CreateFileW(temporary.path().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!source.valid())
        return failure(L"The temporary file cannot be read back", GetLastError());
    // OPEN_EXISTING and SetEndOfFile, not TRUNCATE_EXISTING: that refuses hidden and system files.
    FileHandle target(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target.valid())
        return failure(L"The file can neither be replaced nor written", GetLastError());
    if (!SetEndOfFile(target.get()))
        return failure(L"The file can neither be replaced nor emptied", GetLastError());

    DWORD error = ERROR_SUCCESS;
    std::vector<char> buffer(kCopyChunk);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(source.get(), buffer.data(), kCopyChunk, &got, nullptr)) {
            error = GetLastError();
            break;
        }
        if (got == 0)
            break;
        if (!writeAll(target.get(), std::string_view(buffer.data(), got), error))
            break;
    }
    if (error == ERROR_SUCCESS && !FlushFileBuffers(target.get()))
        error = GetLastError();
    if (error == ERROR_SUCCESS && !target.close())
        error = GetLastError();
    if (error == ERROR_SUCCESS)
        return success();

    CsvWriteResult result = failure(L"Writing into the file failed part-way", error);
    source.close();
    result.keptCopy = shownName(temporary.path());
    temporary.release();
    return result;
}

// Wine's ReplaceFileW moves the old file aside under a GetTempFileNameW name built in a MAX_PATH
// buffer of its own, which a longer folder overruns; Windows' has no such limit, but a folder that
// long is rare enough to take the plain move there too.
bool replaceFileTakes(const std::wstring& path)
{
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos || slash <= MAX_PATH - 14;
}

// The finished temporary file takes the place of an existing target.
CsvWriteResult replaceTarget(const std::wstring& path, DWORD oldAttributes, TemporaryFile& temporary)
{
    if (!heldAgainstExchange(path)) {
        if (replaceFileTakes(path) &&
            ReplaceFileW(path.c_str(), temporary.path().c_str(), nullptr,
                         REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS, nullptr, nullptr)) {
            temporary.release();
            restoreAttributes(path, oldAttributes);
            return success();
        }
        // Where ReplaceFileW cannot work (some file systems, long folders) a move still exchanges
        // the file; it also completes a ReplaceFileW that removed the old file but could not move
        // the new one into its place.
        if (MoveFileExW(temporary.path().c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            temporary.release();
            restoreAttributes(path, oldAttributes);
            return success();
        }
        const DWORD moveError = GetLastError();
        if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            CsvWriteResult result = failure(L"The file cannot be replaced", moveError);
            result.keptCopy = shownName(temporary.path());
            temporary.release();
            return result;
        }
    }
    return writeInPlace(path, temporary);
}

CsvWriteResult writeCsvFileUnguarded(const std::wstring& path, const BarListView& list)
{
    // An existing target that cannot be written (read-only, a folder, locked) would only fail at
    // the end, after the whole list went to disk: find out first.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists) {
        // Asked for by name: a privileged process could open a read-only file all the same, and
        // the replacement would then go through.
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
    HANDLE created = INVALID_HANDLE_VALUE;
    const CsvWriteResult made = createTemporary(path, temporary, created);
    if (!made.ok)
        return made;
    FileHandle file(created);

    DWORD writeError = ERROR_SUCCESS;
    const bool written = writeCsvLines(list, [&](std::string_view bytes) { return writeAll(file.get(), bytes, writeError); });
    if (!written)
        return failure(L"Writing the lines failed", writeError);
    // The old file is about to go: make sure the new one is really on the disk first.
    if (!FlushFileBuffers(file.get()))
        return failure(L"Writing the lines failed", GetLastError());
    if (!file.close())
        return failure(L"Closing the file failed", GetLastError());

    if (exists)
        return replaceTarget(path, attributes, temporary);
    if (!MoveFileExW(temporary.path().c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return failure(L"The file cannot be created", GetLastError());
    temporary.release();
    return success();
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
    std::wstring text = L"The file was not saved:\n" + path + L"\n\n" + result.step + L": " + systemMessage(result.error) + L".";
    if (!result.keptCopy.empty())
        text += L"\n\nThe whole list is in this copy:\n" + result.keptCopy;
    return text;
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
