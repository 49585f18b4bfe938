#include "pretty_regwrite.h"

#include "decoder_harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace imgforge;

namespace {

std::vector<uint8_t> words(std::initializer_list<uint32_t> values)
{
    std::vector<uint8_t> bytes;
    for (uint32_t v : values)
        for (int i = 0; i < 4; i++)
            bytes.push_back(uint8_t(v >> (8 * i)));
    return bytes;
}

struct case_ {
    std::vector<uint8_t> data;
    const char *expected;
};

void expect_all(content_decoder decoder, const std::vector<case_> &cases)
{
    for (const case_ &c : cases) {
        harness::decoded d = harness::run_decoder(decoder, c.data);
        EXPECT_EQ(d.out, c.expected);
        EXPECT_EQ(d.err, "");
        EXPECT_EQ(d.result, 0);
    }
}

} // namespace

TEST(MemW, NamesTheRegisterOfKnownBlocks)
{
    expect_all(pretty_MEM_W_content,
               {
                   {words({0x40003004, 1}), "addr=WRPR.APB1_CTRL, data=0x1"},
                   {words({0x50002004, 0}), "addr=NVM.ADDRESS, data=0"},
                   {words({0x4000304C, 2}), "addr=WRPR.DBG_CTRL, data=0x2"},
                   {words({0x40003FF0, 2}), "addr=WRPR.CHIPID1, data=0x2"},
                   {words({0x70000010, 4}), "addr=QZ_DMA.SIZE, data=0x4"},
                   {words({0x5000E14C, 4}), "addr=QZLC.CMD, data=0x4"},
                   {words({0x50004FFC, 0xFFFFFFFF}), "addr=RIF.ID, data=0xffffffff"},
                   {words({0x5000C000, 0xABCDEF}), "addr=RCOS_CAL.CAL_CTRL, data=0xabcdef"},
               });
}

TEST(MemW, UnlistedOffsetsAndAddressesOutsideEveryBlock)
{
    expect_all(pretty_MEM_W_content,
               {
                   {words({0x40007020, 3}), "addr=SPI0.unknown CMSDK_QZ_APB_SPI offset, data=0x3"},
                   {words({0x40007002, 3}), "addr=SPI0.unknown CMSDK_QZ_APB_SPI offset, data=0x3"},
                   {words({0x4000A010, 3}), "addr=KSM.unknown CMSDK_QZ_APB_KSM offset, data=0x3"},
                   {words({0x40003FFF, 3}), "addr=WRPR.unknown CMSDK_QZ_APB_WRPR offset, data=0x3"},
                   {words({0x20001000, 3}), "addr=0x20001000, data=0x3"},
                   {words({0, 0}), "addr=0, data=0"},
                   {words({0x40005FFC, 1}), "addr=0x40005ffc, data=0x1"},
               });
}

TEST(MemRmw, AddsTheMask)
{
    expect_all(
        pretty_MEM_RMW_content,
        {
            {words({0x50008000, 0x10, 0xFF}), "addr=PSEQ.CTRL0, data=0x10, mask=0xff"},
            {words({0x20001000, 0, 0}), "addr=0x20001000, data=0, mask=0"},
            {words({0x50006FFC, 1, 0x80000000}), "addr=MDM.CORE_ID, data=0x1, mask=0x80000000"},
        });
}

// The dispatcher stops wrong lengths; called directly the decoders still
// read no more than the record and their structure.
TEST(RegisterWrites, ShortAndLongRecordsStayInBounds)
{
    expect_all(pretty_MEM_W_content,
               {{{0x04, 0x30, 0x00, 0x40}, "addr=WRPR.APB1_CTRL, data=0"},
                {words({0x40003004, 1, 7}), "addr=WRPR.APB1_CTRL, data=0x1"}});
    expect_all(pretty_MEM_RMW_content,
               {{words({0x50008000, 0x10}), "addr=PSEQ.CTRL0, data=0x10, mask=0"},
                {words({0x50008000, 0x10, 0xFF, 5}), "addr=PSEQ.CTRL0, data=0x10, mask=0xff"}});
}

TEST(PmuW, ShowsTheFieldsTheRecordSupplies)
{
    expect_all(
        pretty_PMU_W_content,
        {
            {{}, ""},
            {{0x01}, "block=0x1,"},
            {{0x01, 0x20}, "block=0x1,addr=0x20,"},
            {{0x01, 0x20, 0x00, 0x00}, "block=0x1,addr=0x20,"},
            {{0x01, 0x20, 0x00, 0x00, 0x34}, "block=0x1,addr=0x20,data=0x34"},
            {{0x01, 0x20, 0x00, 0x00, 0x34, 0x12, 0x56}, "block=0x1,addr=0x20,data=0x561234"},
            {{0x01, 0x20, 0x00, 0x00, 0x34, 0x12, 0x00, 0x00}, "block=0x1,addr=0x20,data=0x1234"},
            {{0x00, 0x00, 0xAA, 0xBB, 0x00, 0x00, 0x00, 0x00}, "block=0,addr=0,data=0"},
            {{0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x99, 0x99},
             "block=0xff,addr=0xff,data=0xffffffff"},
        });
}
