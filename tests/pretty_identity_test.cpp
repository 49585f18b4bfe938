#include "decoder_harness.h"
#include "pretty_identity.h"

using namespace imgforge;
using harness::run_decoder;
using bytes = std::vector<uint8_t>;

namespace {

bytes seq(size_t n, uint8_t first = 0)
{
    bytes b(n);
    for (size_t i = 0; i < n; i++)
        b[i] = uint8_t(first + i);
    return b;
}

TEST(Identity, DeviceAddress)
{
    EXPECT_EQ(run_decoder(pretty_BD_ADDRESS_content, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66}).out,
              "66:55:44:33:22:11");
    EXPECT_EQ(run_decoder(pretty_BD_ADDRESS_content, {0x0a, 0xb0, 0, 0, 0, 0xff}).out,
              "FF:00:00:00:B0:0A");
}

TEST(Identity, DeviceName)
{
    EXPECT_EQ(run_decoder(pretty_DEVICE_NAME_content, {}).out, "''");
    EXPECT_EQ(run_decoder(pretty_DEVICE_NAME_content, {'a', 'b', 0, 'c'}).out, "'ab'");
    // Control characters never reach the terminal; UTF-8 stays intact.
    EXPECT_EQ(run_decoder(pretty_DEVICE_NAME_content, {'a', 0x1b, '[', 'm', 0x7f, 0xc3, 0xa9}).out,
              "'a\\x1b[m\\x7f\xc3\xa9'");
    bytes longest(248, 'x');
    EXPECT_EQ(run_decoder(pretty_DEVICE_NAME_content, longest).out,
              "'" + std::string(248, 'x') + "'");
}

TEST(Identity, LongTermKeyShowsTheFirstSixteenBytes)
{
    EXPECT_EQ(run_decoder(pretty_LTK_content, seq(28, 0xf0)).out,
              "key=0xf0f1f2f3f4f5f6f7f8f9fafbfcfdfeff");
}

TEST(Identity, PeerAddressZeroFillsShortRecords)
{
    bytes addr{1, 2, 3, 4, 5, 6};
    EXPECT_EQ(run_decoder(pretty_PEER_BD_ADDRESS_content, addr).out,
              "06:05:04:03:02:01, type: public");
    addr.push_back(1);
    EXPECT_EQ(run_decoder(pretty_PEER_BD_ADDRESS_content, addr).out,
              "06:05:04:03:02:01, type: private random");
    addr.back() = 2;
    addr.push_back(0xEE); // beyond the structure: never read into it
    EXPECT_EQ(run_decoder(pretty_PEER_BD_ADDRESS_content, addr).out,
              "06:05:04:03:02:01, type: unknown address type");
    EXPECT_EQ(run_decoder(pretty_PEER_BD_ADDRESS_content, {}).out,
              "00:00:00:00:00:00, type: public");
}

TEST(Identity, PeerIdentityResolvingKey)
{
    bytes irk = seq(16);
    bytes full = irk;
    full.insert(full.end(), {0xa1, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 1});
    EXPECT_EQ(run_decoder(pretty_PEER_IRK_content, full).out,
              "key=00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f,addr=A6:A5:A4:A3:A2:A1,"
              "addr_type=private random");
    EXPECT_EQ(run_decoder(pretty_PEER_IRK_content, {0xff}).out,
              "key=ff 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00,addr=00:00:00:00:00:00,"
              "addr_type=public");
}

TEST(Identity, PeripheralBonded)
{
    EXPECT_EQ(run_decoder(pretty_PERIPH_BONDED_content, {}).out, "false");
    EXPECT_EQ(run_decoder(pretty_PERIPH_BONDED_content, {0}).out, "false");
    EXPECT_EQ(run_decoder(pretty_PERIPH_BONDED_content, {2, 0}).out, "true");
}

} // namespace
