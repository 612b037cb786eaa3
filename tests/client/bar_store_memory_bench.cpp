// What the store's lists cost per line, from the allocator's own count of the bytes in use:
// 1,000,000 live lines with distinct closes through the merge (about 200 a minute, as a busy pair
// gives), then a 200,000-line history load. Fails when a live line costs more than 300 bytes or a
// history line more than 350. `--quick`: 100,000 live lines, the smoke run that ctest makes.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "client/core/bar_store.h"

namespace {

#if defined(__GLIBC__)
// Everything malloc holds for the program: small blocks in the arena and large mapped ones,
// each with the allocator's own overhead.
double bytesInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd);
}
#else
std::size_t liveBytes = 0;
double bytesInUse()
{
    return static_cast<double>(liveBytes);
}
#endif

// A tick line of line `i`: 0.3 s apart, the close moving by one point every line.
void liveLine(long i, std::string& text)
{
    const long tenths = i * 3;
    const long seconds = tenths / 10;
    const long minutes = seconds / 60;
    char line[96];
    std::snprintf(line, sizeof line, "2026/12/%02ld %02ld:%02ld:%02ld.%03ld,150.%03ld,150.%03ld,149.%03ld,%ld.%03ld\n",
                  7 + minutes / 1440 % 20, minutes / 60 % 24, minutes % 60, seconds % 60, tenths % 10 * 100, i % 1000,
                  (i + 7) % 1000, (i + 3) % 1000, 140 + i / 1000 % 20, i % 1000);
    text = line;
}

} // namespace

#if !defined(__GLIBC__)
// Elsewhere a counting operator new: the bytes asked for, without the allocator's overhead.
void* operator new(std::size_t size)
{
    void* block = std::malloc(size + 16);
    if (!block)
        throw std::bad_alloc();
    std::memcpy(block, &size, sizeof size);
    liveBytes += size;
    return static_cast<char*>(block) + 16;
}

void operator delete(void* pointer) noexcept
{
    if (!pointer)
        return;
    char* block = static_cast<char*>(pointer) - 16;
    std::size_t size = 0;
    std::memcpy(&size, block, sizeof size);
    liveBytes -= size;
    std::free(block);
}

void operator delete(void* pointer, std::size_t) noexcept
{
    operator delete(pointer);
}
#endif

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const long liveLines = quick ? 100000 : 1000000;
    const int historyLines = 200000;
    bool met = true;

    {
        NoBarLock lock;
        std::string text;
        const double before = bytesInUse();
        const auto start = std::chrono::steady_clock::now();
        BarStore store;
        for (long i = 0; i < liveLines; ++i) {
            liveLine(i, text);
            mergeLiveText(store, lock, text);
        }
        const auto stop = std::chrono::steady_clock::now();
        const double bytes = bytesInUse() - before;
        const double perLine = bytes / static_cast<double>(store.receivedLines.size());
        std::printf("live: %zu lines kept (%zu joined, %zu bars), %.1f MiB, %.1f bytes per line, %.2f us per merge\n",
                    store.receivedLines.size(), store.joinedLines.size(), store.minuteBars.size(), bytes / 1048576.0,
                    perLine, std::chrono::duration<double, std::micro>(stop - start).count() / static_cast<double>(liveLines));
        if (store.receivedLines.size() != static_cast<std::size_t>(liveLines) || perLine > 300) {
            std::printf("live: goal of at most 300 bytes per kept line not met\n");
            met = false;
        }
    }

    {
        std::string history;
        for (int i = 0; i < historyLines; ++i) {
            char line[96];
            std::snprintf(line, sizeof line, "2021/%02d/%02d %02d:%02d:00.000,1.52345,1.62345,1.42345,1.55555\n",
                          1 + i / 44640, 1 + i / 1440 % 31, i / 60 % 24, i % 60);
            history += line;
        }
        const double before = bytesInUse();
        const auto start = std::chrono::steady_clock::now();
        BarStore store;
        loadHistoryText(store, history);
        adoptNewestHistoryRecord(store);
        const auto stop = std::chrono::steady_clock::now();
        const double bytes = bytesInUse() - before;
        const double perLine = bytes / static_cast<double>(store.joinedLines.size());
        std::printf("history: %zu lines, %.1f MiB, %.1f bytes per line, %.1f ms\n", store.joinedLines.size(),
                    bytes / 1048576.0, perLine, std::chrono::duration<double, std::milli>(stop - start).count());
        if (store.minuteBars.size() != static_cast<std::size_t>(historyLines) || perLine > 350) {
            std::printf("history: goal of at most 350 bytes per line not met\n");
            met = false;
        }
    }
    return met ? 0 : 1;
}
