// The record lists of the chart client, kept compactly. The lists grow for as long as the chart
// runs (a busy week is millions of lines), so a record is not a BarRecord with three heap strings
// but 80 bytes of numbers and text positions, its texts packed into shared blocks; the time text
// of a line is the front of its line text and is not stored twice. Readers get BarRecord copies
// or BarRecordViews, oldest first, exactly as they were appended.
//
// Appending never moves what is already stored (blocks, not one growing array), so it costs the
// same at the millionth line as at the first and never copies the list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "client/core/bar_record.h"

namespace record_list_detail {

// An array in fixed-size chunks: push_back never relocates earlier elements' chunks and never
// needs room for two copies of the whole array.
template <typename T, std::size_t kChunk>
class ChunkedVector {
public:
    ChunkedVector() = default;
    ChunkedVector(const ChunkedVector&) = default;
    ChunkedVector& operator=(const ChunkedVector&) = default;
    ChunkedVector(ChunkedVector&& other) noexcept : chunks_(std::move(other.chunks_)), size_(other.size_) { other.clear(); }
    ChunkedVector& operator=(ChunkedVector&& other) noexcept
    {
        if (this != &other) {
            chunks_ = std::move(other.chunks_);
            size_ = other.size_;
            other.clear();
        }
        return *this;
    }

    std::size_t size() const { return size_; }
    T& operator[](std::size_t index) { return chunks_[index / kChunk][index % kChunk]; }
    const T& operator[](std::size_t index) const { return chunks_[index / kChunk][index % kChunk]; }

    void push_back(const T& value)
    {
        if (size_ == chunks_.size() * kChunk) {
            chunks_.emplace_back();
            // The first chunk grows as a vector does, so a short list stays small; later ones
            // take their full size at once.
            if (chunks_.size() > 1)
                chunks_.back().reserve(kChunk);
        }
        chunks_.back().push_back(value);
        ++size_;
    }

    void clear()
    {
        chunks_.clear();
        size_ = 0;
    }

private:
    std::vector<std::vector<T>> chunks_;
    std::size_t size_ = 0;
};

} // namespace record_list_detail

class RecordList {
public:
    RecordList() = default;
    // For callers that hold records already (tests, tools): the list then holds those records.
    RecordList& operator=(const std::vector<BarRecord>& records);

    std::size_t size() const { return records_.size(); }
    bool empty() const { return records_.size() == 0; }

    // Views into the list's own text blocks. Blocks never move, so a view stays valid while
    // records are appended; replacing its record, clearing or assigning the list ends it.
    BarRecordView view(std::size_t index) const;
    BarRecordView backView() const { return view(size() - 1); }

    BarRecord operator[](std::size_t index) const { return view(index).toRecord(); }
    BarRecord front() const { return view(0).toRecord(); }
    BarRecord back() const { return backView().toRecord(); }

    // The texts are copied; `record` may view anything, even this list's own blocks.
    void push_back(const BarRecordView& record);
    // The newest record replaced in place: its text space is reused, so replacing it again and
    // again (the running minute, a hundred times a second) costs no memory.
    void replaceBack(const BarRecordView& record);
    void clear();

private:
    struct PackedRecord {
        double open;
        double high;
        double low;
        double close;
        std::int32_t year;
        std::int32_t month;
        std::int32_t day;
        std::int32_t hour;
        std::int32_t minute;
        std::int32_t second;
        std::int32_t millisecond;
        std::uint32_t textBlock;   // which text block holds the texts
        std::uint32_t textOffset;  // where in it they start
        std::uint32_t lineLength;
        std::uint32_t timeLength;
        bool timeInLine;  // the time text is the front of the line text (always so for a tick line)
    };

    PackedRecord pack(const BarRecordView& record);  // stores the texts at the end
    void dropTextsFrom(const PackedRecord& record);  // the newest record's texts only

    static constexpr std::size_t kRecordsPerChunk = 512;  // 40 KiB
    // Blocks start small (a short list stays small) and double up to this size.
    static constexpr std::size_t kFirstTextBlockBytes = 1024;
    static constexpr std::size_t kTextBlockBytes = 64 * 1024;

    record_list_detail::ChunkedVector<PackedRecord, kRecordsPerChunk> records_;
    // Texts in the order of their records; a record's texts never straddle two blocks, and a
    // block is never filled beyond the capacity it was given, so its bytes never move.
    std::vector<std::string> textBlocks_;
};

// The accepted live lines: positions in joinedLines rather than second copies of its records,
// since every one of them is also there. Bound to its list for life; assigning copies positions.
class LiveLines {
public:
    explicit LiveLines(const RecordList& lines) : lines_(&lines) {}
    LiveLines(const LiveLines&) = delete;
    LiveLines& operator=(const LiveLines& other);
    LiveLines& operator=(LiveLines&& other) noexcept;

    std::size_t size() const { return positions_.size(); }
    bool empty() const { return positions_.size() == 0; }
    BarRecordView view(std::size_t index) const { return lines_->view(positions_[index]); }
    BarRecord operator[](std::size_t index) const { return view(index).toRecord(); }
    BarRecord front() const { return view(0).toRecord(); }
    BarRecord back() const { return view(size() - 1).toRecord(); }

    // `position`: an index into the bound list.
    void push_back(std::size_t position);
    void clear() { positions_.clear(); }

private:
    const RecordList* lines_;  // not owned: the joinedLines beside it in the same store
    record_list_detail::ChunkedVector<std::uint32_t, 16384> positions_;
};

// Any record list as its readers see it (the views, the CSV export): oldest first, read in place.
// Holds no copy and no count, so a list that grows meanwhile is read at its current length.
class BarListView {
public:
    BarListView() = default;
    // Implicit on purpose: each list passes to a reader as it is.
    BarListView(const std::vector<BarRecord>& list);
    BarListView(const RecordList& list);
    BarListView(const LiveLines& list);

    std::size_t size() const { return list_ ? size_(list_) : 0; }
    bool empty() const { return size() == 0; }
    BarRecordView operator[](std::size_t index) const { return at_(list_, index); }

private:
    const void* list_ = nullptr;
    std::size_t (*size_)(const void*) = nullptr;
    BarRecordView (*at_)(const void*, std::size_t) = nullptr;
};
