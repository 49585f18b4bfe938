// Runs code in-process (one content decoder over an in-memory record, say)
// and captures what it prints: the text and the messages of the sink it is
// handed.
#ifndef IMGFORGE_TESTS_DECODER_HARNESS_H
#define IMGFORGE_TESTS_DECODER_HARNESS_H

#include "common/sink.h"
#include "dump/forms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace harness {

struct decoded {
    std::string out;
    std::string err;
    int result;
    uint32_t extent; // bytes of the record data up to the furthest one read
    int reads;       // calls of the read operation
};

// What the action prints to the sink it is handed (out) and to that sink's
// messages (err), and its result.
template <typename Action> decoded capture(Action action)
{
    decoded d{"", "", 0, 0, 0};
    imgforge::text_sink messages(d.err);
    imgforge::text_sink text(d.out, &messages);
    d.result = action(text);
    return d;
}

// The region a decoder reads, the end of its furthest read and the number of
// reads.
struct record_store {
    std::vector<uint8_t> region;
    uint64_t read_end = 0;
    int read_count = 0;
};

// Reads from the store's region; the test fails on any read outside the
// record data.
inline int read_store(void *context, uint32_t address, uint32_t length, uint8_t *dst)
{
    record_store &store = *static_cast<record_store *>(context);
    store.read_end = std::max(store.read_end, uint64_t(address) + length);
    store.read_count++;
    EXPECT_LE(uint64_t(address) + length, store.region.size()) << "read past the record";
    if (uint64_t(address) + length <= store.region.size())
        std::memcpy(dst, store.region.data() + address, length);
    return 0;
}

struct record_context {
    uint32_t addr = 0x10;
    uint8_t tag = 0;
};

// The record data is placed at ctx.addr in a region that ends right after it.
inline decoded run_decoder(imgforge::content_decoder decoder, const std::vector<uint8_t> &data,
                           const record_context &ctx = {})
{
    uint32_t addr = ctx.addr;
    uint16_t len = uint16_t(data.size());
    record_store store;
    store.region.assign(addr, 0xEE);
    store.region.insert(store.region.end(), data.begin(), data.end());
    store.read_end = addr;
    const imgforge::record_reader read{read_store, &store};
    bool failed = false;
    decoded d = capture([&](const imgforge::text_sink &out) {
        imgforge::walk_args args{ctx.tag, addr, len, read, nullptr, &failed, nullptr, out, nullptr};
        return decoder(read, addr, len, args);
    });
    d.extent = uint32_t(store.read_end - addr);
    d.reads = store.read_count;
    return d;
}

} // namespace harness

#endif
