// Runs one content decoder over an in-memory record and captures what it
// prints on standard output and standard error.
#ifndef IMGFORGE_TESTS_DECODER_HARNESS_H
#define IMGFORGE_TESTS_DECODER_HARNESS_H

#include "pretty.h"

#include <gtest/gtest.h>

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
};

inline std::vector<uint8_t> &region()
{
    static std::vector<uint8_t> bytes;
    return bytes;
}

// Reads from region(); the test fails on any read outside the record data.
inline int read_region(uint32_t address, uint32_t length, uint8_t *dst)
{
    EXPECT_LE(uint64_t(address) + length, region().size()) << "read past the record";
    if (uint64_t(address) + length <= region().size())
        std::memcpy(dst, region().data() + address, length);
    return 0;
}

// The record data is placed at `addr` in a region that ends right after it.
inline decoded run_decoder(imgforge::content_decoder decoder, const std::vector<uint8_t> &data,
                           uint32_t addr = 0x10, const char *output_location = nullptr,
                           bool *file_failed = nullptr)
{
    region().assign(addr, 0xEE);
    region().insert(region().end(), data.begin(), data.end());
    bool failed = false;
    imgforge::walk_args args{0, addr, uint16_t(data.size()), read_region, output_location,
                             file_failed ? file_failed : &failed};
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int result = decoder(read_region, addr, uint16_t(data.size()), args);
    std::fflush(stdout);
    std::fflush(stderr);
    decoded d;
    d.out = testing::internal::GetCapturedStdout();
    d.err = testing::internal::GetCapturedStderr();
    d.result = result;
    return d;
}

} // namespace harness

#endif
