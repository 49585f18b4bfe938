// Runs code in-process (one content decoder over an in-memory record, say)
// and captures what it prints on standard output and standard error.
#ifndef IMGFORGE_TESTS_DECODER_HARNESS_H
#define IMGFORGE_TESTS_DECODER_HARNESS_H

#include "dump/forms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
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

// What the action prints on standard output and standard error, and its result.
template <typename Action> decoded capture(Action action)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int result = action();
    std::fflush(stdout);
    std::fflush(stderr);
    std::string out = testing::internal::GetCapturedStdout();
    return {out, testing::internal::GetCapturedStderr(), result, 0, 0};
}

// The region the decoder reads, the end of its furthest read and the number
// of reads.
inline std::vector<uint8_t> region;
inline uint64_t read_end;
inline int read_count;

// Reads from region; the test fails on any read outside the record data.
inline int read_region(uint32_t address, uint32_t length, uint8_t *dst)
{
    read_end = std::max(read_end, uint64_t(address) + length);
    read_count++;
    EXPECT_LE(uint64_t(address) + length, region.size()) << "read past the record";
    if (uint64_t(address) + length <= region.size())
        std::memcpy(dst, region.data() + address, length);
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
    region.assign(addr, 0xEE);
    region.insert(region.end(), data.begin(), data.end());
    bool failed = false;
    imgforge::walk_args args{ctx.tag, addr,   uint16_t(data.size()), read_region, nullptr,
                             &failed, nullptr};
    read_end = addr;
    read_count = 0;
    decoded d = capture([&] { return decoder(read_region, addr, uint16_t(data.size()), args); });
    d.extent = uint32_t(read_end - addr);
    d.reads = read_count;
    return d;
}

} // namespace harness

#endif
