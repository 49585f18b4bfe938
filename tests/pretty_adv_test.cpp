#include "dump/adv.h"
#include "nvds.h"

#include "decoder_harness.h"
#include "golden.h"

#include <string>
#include <vector>

using namespace imgforge;
using bytes = std::vector<uint8_t>;
using namespace std::string_literals;

namespace {

std::string incomplete(int recno, int off)
{
    return "ERROR in record #" + std::to_string(recno) + " (offset " + std::to_string(off) +
           " relative to address 0x10): incomplete header\n";
}

bytes create_cmd(std::initializer_list<std::pair<size_t, uint8_t>> fields)
{
    bytes b(39, 0);
    for (auto [offset, value] : fields)
        b[offset] = value;
    return b;
}

const std::string zero_param =
    "type=LEGACY, disc_mode=NON_DISC, prop=NON_CONN_NON_SCAN, max_tx_pwr=0dBm, "
    "filter_pol=ANY_CON_ANY, peer_addr=00:00:00:00:00:00, peer_addr_ty=public, "
    "prim.adv_intv_min=0us, prim.adv_intv_max=0us, prim.chnl_map=00, prim.phy=PHY_UNDEF, "
    "second.max_skip=00, second.phy=PHY_UNDEF, second.adv_sid=00, period.adv_intv_min=0ms, "
    "period.adv_intv_max=0ms";

std::string create_text(const bytes &record)
{
    return harness::run_decoder(pretty_ACT_CRT_CMD_content, record).out;
}

} // namespace

TEST(Interval, LargestWholeUnitIn64Bits)
{
    intv_text buf;
    EXPECT_STREQ(adv_intv_to_str(8, buf), "5ms");
    EXPECT_STREQ(adv_intv_to_str(4, buf), "2500us");
    EXPECT_STREQ(adv_intv_to_str(8000000, buf), "5000s");
    EXPECT_STREQ(adv_intv_to_str(0xFFFFFFFF, buf), "2684354559375us");
    EXPECT_STREQ(period_adv_intv_to_str(1, buf), "1250us");
    EXPECT_STREQ(period_adv_intv_to_str(4000000, buf), "5000s");
}

TEST(ActivityCreate, ZeroFilledShortRecordsAndTruncatedLongOnes)
{
    EXPECT_EQ(create_text({}), "addr_type=STATIC adv_param={" + zero_param + "}");
    EXPECT_EQ(create_text(bytes(39, 0)), create_text({}));
    bytes pads = create_cmd({{1, 0xFF}, {2, 0xFF}, {16, 0xFF}, {29, 0xFF}, {34, 0xFF}});
    pads.resize(60, 0xFF);
    EXPECT_EQ(create_text(pads), create_text({}));
    EXPECT_EQ(create_text({0x01, 0x00, 0x00, 0x01}),
              "addr_type=GEN_RSLV adv_param={type=EXTENDED" + zero_param.substr(11) + "}");
}

TEST(ActivityCreate, EveryFieldInOrder)
{
    bytes record = {0x02, 0x00, 0x00, 0x01, 0x03, 0x0D, 0x00, 0xF8, 0x02, 0x11, 0x22, 0x33, 0x44,
                    0x55, 0x66, 0x01, 0x00, 0x00, 0x00, 0xA0, 0x00, 0x00, 0x00, 0x40, 0x06, 0x00,
                    0x00, 0x07, 0x03, 0x00, 0x00, 0xA5, 0x02, 0x0F, 0x00, 0x50, 0x00, 0x00, 0x01};
    EXPECT_EQ(create_text(record), golden("activity_create.txt"));
}

TEST(AdvPayload, LargestPayloadAndLowestAddress)
{
    bytes flags;
    while (flags.size() < NVDS_MAX_LENGTH - 1)
        flags.insert(flags.end(), {0x02, 0x01, 0x06});
    flags.push_back(0x07);
    harness::decoded d = harness::run_decoder(pretty_APP_BLE_DATA_content, flags);
    EXPECT_EQ(d.out.size(), 10922u * 3);
    EXPECT_EQ(d.err, incomplete(10923, 32766));
    d = harness::run_decoder(pretty_APP_BLE_DATA_content, {0x01}, {0});
    EXPECT_EQ(d.err, "ERROR in record #1 (offset 0 relative to address 0): incomplete header\n");
}
