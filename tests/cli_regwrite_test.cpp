// Register-write records in the decoded dump, end to end.
#include "cli_harness.h"

using namespace cli;

namespace {

class RegWrite : public Sandbox {};

bytes words(std::initializer_list<uint32_t> values)
{
    bytes b;
    for (uint32_t v : values)
        for (int k = 0; k < 4; k++)
            b.push_back(uint8_t(v >> (8 * k)));
    return b;
}

TEST_F(RegWrite, AddressesAcrossBlocks)
{
    expect_dump({
        {0xFD, words({0x40003004, 1}), "MEM_W addr=WRPR.APB1_CTRL, data=0x1"},
        {0xFD, words({0x50002004, 0}), "MEM_W addr=NVM.ADDRESS, data=0"},
        {0xFD, words({0x40003FF0, 2}), "MEM_W addr=WRPR.CHIPID1, data=0x2"},
        {0xFD, words({0x40007020, 3}), "MEM_W addr=SPI0.unknown CMSDK_QZ_APB_SPI offset, data=0x3"},
        {0xFD, words({0x40007002, 3}), "MEM_W addr=SPI0.unknown CMSDK_QZ_APB_SPI offset, data=0x3"},
        {0xFD, words({0x20001000, 3}), "MEM_W addr=0x20001000, data=0x3"},
        {0xFD, words({0, 0}), "MEM_W addr=0, data=0"},
        {0xFD, words({0x70000010, 4}), "MEM_W addr=QZ_DMA.SIZE, data=0x4"},
        {0xFD, words({0x5000E14C, 4}), "MEM_W addr=QZLC.CMD, data=0x4"},
        {0xFD, words({0x5000CFFC, 5}), "MEM_W addr=RCOS_CAL.CORE_ID, data=0x5"},
        {0xFE, words({0x50008000, 0x10, 0xFF}), "MEM_RMW addr=PSEQ.CTRL0, data=0x10, mask=0xff"},
        {0xFE, words({0x5000D13C, 0, 0}), "MEM_RMW addr=SHUB.SHUB_STATUS0, data=0, mask=0"},
    });
}

TEST_F(RegWrite, PowerManagementWritesByLength)
{
    bytes full{1, 0x20, 0, 0, 0x34, 0x12, 0, 0};
    expect_dump({
        {0xFC, full, "PMU_W block=0x1,addr=0x20,data=0x1234"},
        {0xFC, {}, "PMU_W "},
        {0xFC, {1}, "PMU_W block=0x1,"},
        {0xFC, {1, 0x20}, "PMU_W block=0x1,addr=0x20,"},
        {0xFC, {1, 0x20, 9, 9}, "PMU_W block=0x1,addr=0x20,"},
        {0xFC, {1, 0x20, 9, 9, 0x34}, "PMU_W block=0x1,addr=0x20,data=0x34"},
        {0xFC, {1, 0x20, 9, 9, 0x34, 0x12, 0, 0, 0xEE}, "PMU_W block=0x1,addr=0x20,data=0x1234"},
    });
}

TEST_F(RegWrite, RecordSizesAreChecked)
{
    write_listed("img", {{0xFE, words({1, 2}), ""}});
    result r = run({"-r", "img", "-p"});
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.out, "@0007 MEM_RMW ");
    EXPECT_EQ(r.err.rfind("ASSERT ERR(len == sizeof(mem_rmw)) at imgforge/dump/dispatch.cpp:", 0),
              0u);
}

} // namespace
