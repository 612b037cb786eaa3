// The store's lists against plain copies (tests/client/bar_store_model.h) under any script of
// live lines, repeated texts, history batches, copies and moves of the store and long lines: the
// packed records and the received lines' positions must read back exactly what the copies hold.
#include <cstdint>
#include <cstdlib>

#include <fuzzer/FuzzedDataProvider.h>

#include "client/bar_store_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    BarStore store;
    BarStoreModel model;
    ModelFeed feed;
    const auto pick = [&](int lo, int hi) { return input.ConsumeIntegralInRange(lo, hi); };
    for (int step = 0; step < 300 && input.remaining_bytes() > 0; ++step) {
        playModelStep(store, model, feed, pick);
        if (!listsDifference(store, model).empty())
            std::abort();
    }
    return 0;
}
