// What one poll and one tick cost under Wine: ReadLinesMT5 with a new tick waiting and with none
// (the repeat that most 10-ms polls are), and writeTickMT5 of a typical line.
#include <string>

#include "interfaces/orvane_driver.h"
#include "support/bench_harness.h"

int main(int argc, char** argv)
{
    const bool quick = bench::quickRun(argc, argv);
    const int samples = quick ? 20 : 400;
    if (!openFeedWriterMT5())
        return 1;
    initSendticksMT5();
    const std::wstring line = L"2026/01/05 09:07:02.045,150.123,150.200,149.950,150.101";
    volatile std::size_t sink = 0;

    bench::report("writeTickMT5", bench::measure(samples, 100, [&] {
        for (int i = 0; i < 100; ++i)
            writeTickMT5(line.c_str());
    }));
    bench::report("ReadLinesMT5, no new tick (repeat)", bench::measure(samples, 100, [&] {
        for (int i = 0; i < 100; ++i)
            sink = sink + std::string(ReadLinesMT5()).size();
    }));
    // A poll that finds a new tick: timed together with the write that provides it.
    bench::report("writeTickMT5 + ReadLinesMT5 (new tick)", bench::measure(samples, 50, [&] {
        for (int i = 0; i < 50; ++i) {
            writeTickMT5(line.c_str());
            sink = sink + std::string(ReadLinesMT5()).size();
        }
    }));
    deinitSendticksMT5();
    closeFeedWriterMT5();
    return 0;
}
