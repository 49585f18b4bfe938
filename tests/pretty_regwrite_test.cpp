// Register-write decoders called directly with lengths the dispatcher never
// lets through: they read no more than the record and their structure.
#include "dump/regwrite.h"

#include "decoder_harness.h"
#include "test_bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace imgforge;

namespace {

TEST(RegisterWrites, ShortAndLongRecordsStayInBounds)
{
    struct {
        content_decoder decoder;
        std::vector<uint8_t> data;
        const char *out;
        uint32_t extent;
    } cases[] = {
        {pretty_MEM_W_content, {0x04, 0x30, 0x00, 0x40}, "addr=WRPR.APB1_CTRL, data=0", 4},
        {pretty_MEM_W_content, words({0x40003004, 1, 7}), "addr=WRPR.APB1_CTRL, data=0x1", 8},
        {pretty_MEM_RMW_content, words({0x50008000, 0x10}), "addr=PSEQ.CTRL0, data=0x10, mask=0",
         8},
        {pretty_MEM_RMW_content, words({0x50008000, 0x10, 0xFF, 5}),
         "addr=PSEQ.CTRL0, data=0x10, mask=0xff", 12},
        {pretty_PMU_W_content,
         {0x01, 0x20, 0, 0, 0x34, 0x12, 0x56},
         "block=0x1,addr=0x20,data=0x561234",
         7},
        {pretty_PMU_W_content,
         {0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x99, 0x99},
         "block=0xff,addr=0xff,data=0xffffffff",
         8},
    };
    for (const auto &c : cases) {
        harness::decoded d = harness::run_decoder(c.decoder, c.data);
        EXPECT_EQ(d.out, c.out);
        EXPECT_EQ(d.err, "");
        EXPECT_EQ(d.extent, c.extent) << c.out;
    }
}

} // namespace
