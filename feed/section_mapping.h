// Owner of one named shared-memory section and its view, for the feed library and the tools that
// inspect the feed. Win32 only; not copyable, movable.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include <windows.h>

class SectionMapping {
public:
    SectionMapping() = default;
    SectionMapping(const SectionMapping&) = delete;
    SectionMapping& operator=(const SectionMapping&) = delete;
    SectionMapping(SectionMapping&& other) noexcept
        : handle_(std::exchange(other.handle_, nullptr)), view_(std::exchange(other.view_, nullptr)),
          size_(std::exchange(other.size_, 0))
    {
    }
    SectionMapping& operator=(SectionMapping&& other) noexcept
    {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, nullptr);
            view_ = std::exchange(other.view_, nullptr);
            size_ = std::exchange(other.size_, 0);
        }
        return *this;
    }
    ~SectionMapping() { reset(); }

    // Opens the section `name`, creating it with `createBytes` when it does not exist yet.
    static SectionMapping openOrCreate(const std::wstring& name, std::size_t createBytes, bool writable)
    {
        SectionMapping mapping;
        const auto bytes = static_cast<unsigned long long>(createBytes);
        mapping.handle_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, static_cast<DWORD>(bytes >> 32),
                                             static_cast<DWORD>(bytes & 0xFFFFFFFFu), name.c_str());
        mapping.created_ = mapping.handle_ && GetLastError() != ERROR_ALREADY_EXISTS;
        mapping.mapView(writable);
        return mapping;
    }

    static SectionMapping openExisting(const std::wstring& name)
    {
        SectionMapping mapping;
        mapping.handle_ = OpenFileMappingW(FILE_MAP_READ, FALSE, name.c_str());
        mapping.mapView(false);
        return mapping;
    }

    bool valid() const { return view_ != nullptr; }
    bool created() const { return created_; }
    std::byte* data() const { return view_; }
    // The bytes actually mapped: a section made by another build may be smaller than ours.
    std::size_t size() const { return size_; }

    // Unmaps the view but keeps the section alive while the handle lives.
    void unmap()
    {
        if (view_)
            UnmapViewOfFile(view_);
        view_ = nullptr;
        size_ = 0;
    }

    void reset()
    {
        unmap();
        if (handle_)
            CloseHandle(handle_);
        handle_ = nullptr;
        created_ = false;
    }

private:
    void mapView(bool writable)
    {
        if (!handle_)
            return;
        view_ = static_cast<std::byte*>(MapViewOfFile(handle_, writable ? FILE_MAP_WRITE : FILE_MAP_READ, 0, 0, 0));
        MEMORY_BASIC_INFORMATION info{};
        if (!view_ || VirtualQuery(view_, &info, sizeof info) == 0) {
            reset();
            return;
        }
        size_ = info.RegionSize;
    }

    HANDLE handle_ = nullptr;
    std::byte* view_ = nullptr;
    std::size_t size_ = 0;
    bool created_ = false;
};
