#include "client/core/record_list.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <stdexcept>

namespace {

// Lengths and positions are kept in 32 bits: four billion lines or a four-gigabyte line would
// exhaust the memory long before, but must not wrap round silently.
std::uint32_t narrow(std::size_t value)
{
    if (value > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("record list: beyond 32-bit positions");
    return static_cast<std::uint32_t>(value);
}

bool overlaps(std::string_view text, const std::string& block)
{
    if (text.empty() || block.capacity() == 0)
        return false;
    const std::less<const char*> before;
    const char* blockEnd = block.data() + block.capacity();
    return before(text.data(), blockEnd) && before(block.data(), text.data() + text.size());
}

bool timeIsFrontOfLine(const BarRecordView& record)
{
    return record.lineText.substr(0, record.timeText.size()) == record.timeText;
}

std::size_t textBytes(const BarRecordView& record)
{
    return record.lineText.size() + (timeIsFrontOfLine(record) ? 0 : record.timeText.size());
}

} // namespace

RecordList& RecordList::operator=(const std::vector<BarRecord>& records)
{
    RecordList list;
    for (const BarRecord& record : records)
        list.push_back(record);
    *this = std::move(list);
    return *this;
}

BarRecordView RecordList::view(std::size_t index) const
{
    const PackedRecord& packed = records_[index];
    const char* texts = textBlocks_[packed.textBlock].data() + packed.textOffset;
    BarRecordView record;
    record.lineText = std::string_view(texts, packed.lineLength);
    record.timeText = packed.timeInLine ? record.lineText.substr(0, packed.timeLength)
                                        : std::string_view(texts + packed.lineLength, packed.timeLength);
    record.year = packed.year;
    record.month = packed.month;
    record.day = packed.day;
    record.hour = packed.hour;
    record.minute = packed.minute;
    record.second = packed.second;
    record.millisecond = packed.millisecond;
    record.open = packed.open;
    record.high = packed.high;
    record.low = packed.low;
    record.close = packed.close;
    return record;
}

RecordList::PackedRecord RecordList::pack(const BarRecordView& record)
{
    PackedRecord packed{};
    packed.open = record.open;
    packed.high = record.high;
    packed.low = record.low;
    packed.close = record.close;
    packed.year = record.year;
    packed.month = record.month;
    packed.day = record.day;
    packed.hour = record.hour;
    packed.minute = record.minute;
    packed.second = record.second;
    packed.millisecond = record.millisecond;
    packed.timeInLine = timeIsFrontOfLine(record);
    packed.lineLength = narrow(record.lineText.size());
    packed.timeLength = narrow(record.timeText.size());

    const std::size_t bytes = textBytes(record);
    if (textBlocks_.empty() || textBlocks_.back().capacity() - textBlocks_.back().size() < bytes) {
        const std::size_t capacity =
            textBlocks_.empty() ? kFirstTextBlockBytes : std::min(kTextBlockBytes, 2 * textBlocks_.back().capacity());
        std::string block;
        block.reserve(std::max(capacity, bytes));
        textBlocks_.push_back(std::move(block));
    }
    std::string& block = textBlocks_.back();
    packed.textBlock = narrow(textBlocks_.size() - 1);
    packed.textOffset = narrow(block.size());
    // Within the capacity reserved above: the block does not move, and neither does a text of
    // this list that `record` may be viewing.
    block.append(record.lineText);
    if (!packed.timeInLine)
        block.append(record.timeText);
    return packed;
}

void RecordList::push_back(const BarRecordView& record)
{
    const PackedRecord packed = pack(record);
    records_.push_back(packed);
}

void RecordList::replaceBack(const BarRecordView& record)
{
    if (empty()) {
        push_back(record);
        return;
    }
    PackedRecord& back = records_[size() - 1];
    const BarRecordView current = backView();
    PackedRecord replaced = back;
    if (current.lineText == record.lineText && current.timeText == record.timeText) {
        // The same line once more (a poll without a new tick): the texts stay where they are.
        replaced.open = record.open;
        replaced.high = record.high;
        replaced.low = record.low;
        replaced.close = record.close;
        replaced.year = record.year;
        replaced.month = record.month;
        replaced.day = record.day;
        replaced.hour = record.hour;
        replaced.minute = record.minute;
        replaced.second = record.second;
        replaced.millisecond = record.millisecond;
        back = replaced;
        return;
    }
    std::string& block = textBlocks_[back.textBlock];
    if (overlaps(record.lineText, block) || overlaps(record.timeText, block)) {
        // Texts out of the very block that is about to be rewritten: copy them out first.
        const BarRecord copy = record.toRecord();
        replaceBack(copy);
        return;
    }
    narrow(record.lineText.size());
    narrow(record.timeText.size());
    const bool lastBlock = back.textBlock + std::size_t{1} == textBlocks_.size();
    if (lastBlock && back.textOffset + textBytes(record) <= block.capacity()) {
        // Fits where the old texts were: with the lengths checked above nothing is allocated and
        // nothing can fail half-way.
        block.resize(back.textOffset);
        back = pack(record);
        return;
    }
    // Elsewhere: store the new texts first, so that a failure leaves the old record whole.
    const std::uint32_t oldBlock = back.textBlock;
    const std::uint32_t oldOffset = back.textOffset;
    replaced = pack(record);
    textBlocks_[oldBlock].resize(oldOffset);
    records_[size() - 1] = replaced;
}

void RecordList::clear()
{
    records_.clear();
    textBlocks_.clear();
}

LiveLines& LiveLines::operator=(const LiveLines& other)
{
    if (this != &other)
        positions_ = other.positions_;
    return *this;
}

LiveLines& LiveLines::operator=(LiveLines&& other) noexcept
{
    positions_ = std::move(other.positions_);
    return *this;
}

void LiveLines::push_back(std::size_t position)
{
    positions_.push_back(narrow(position));
}

BarListView::BarListView(const std::vector<BarRecord>& list)
    : list_(&list),
      size_([](const void* any) { return static_cast<const std::vector<BarRecord>*>(any)->size(); }),
      at_([](const void* any, std::size_t index) { return BarRecordView((*static_cast<const std::vector<BarRecord>*>(any))[index]); })
{
}

BarListView::BarListView(const RecordList& list)
    : list_(&list),
      size_([](const void* any) { return static_cast<const RecordList*>(any)->size(); }),
      at_([](const void* any, std::size_t index) { return static_cast<const RecordList*>(any)->view(index); })
{
}

BarListView::BarListView(const LiveLines& list)
    : list_(&list),
      size_([](const void* any) { return static_cast<const LiveLines*>(any)->size(); }),
      at_([](const void* any, std::size_t index) { return static_cast<const LiveLines*>(any)->view(index); })
{
}
