// Advertising and activity records in the decoded dump, end to end.
#include "cli_harness.h"

using namespace cli;

namespace {

class Adv : public Sandbox {};

bytes eddystone(std::initializer_list<uint8_t> frame)
{
    bytes ad{uint8_t(frame.size() + 3), 0x16, 0xaa, 0xfe};
    ad.insert(ad.end(), frame);
    return ad;
}

TEST_F(Adv, ActivityCommands)
{
    bytes create(39, 0);
    create[0] = 2;                                // own address type
    create[3 + 2] = 13;                           // prop
    create[3 + 4] = 0xF8;                         // max_tx_pwr
    create[3 + 16] = 1;                           // prim.adv_intv_min: 625us
    create[3 + 20] = 0x40, create[3 + 21] = 0x06; // prim.adv_intv_max 1600: 1s
    create[3 + 25] = 7;                           // prim.phy: unnamed
    create[3 + 32] = 80;                          // period.adv_intv_min: 100ms
    expect_dump({
        {0x05, {0xe8, 0x03, 2}, "APP_BLE_ACT_STRT_CMD duration=10000ms, max_adv_evt=2"},
        {0x20, {0x01}, "APP_WURX_BLE_ACT_STRT_CMD duration=10ms, max_adv_evt=0"},
        {0x09, {0xff, 0xff, 0xff, 0xff}, "APP_BLE_RSTRT_DUR 42949672950ms"},
        {0x21, create,
         "APP_WURX_BLE_ACT_CRT_CMD addr_type=GEN_NON_RSLV adv_param={type=LEGACY, "
         "disc_mode=NON_DISC, prop=DIR_CONN_HDC, max_tx_pwr=-8dBm, filter_pol=ANY_CON_ANY, "
         "peer_addr=00:00:00:00:00:00, peer_addr_ty=public, prim.adv_intv_min=625us, "
         "prim.adv_intv_max=1s, prim.chnl_map=00, prim.phy=?, second.max_skip=00, "
         "second.phy=PHY_UNDEF, second.adv_sid=00, period.adv_intv_min=100ms, "
         "period.adv_intv_max=0ms}"},
    });
}

TEST_F(Adv, PayloadsAndTheirErrors)
{
    bytes url = eddystone({0x10, 0xec, 0x03, 'a', 'b', 0x07});
    bytes literal = eddystone({0x10, 0x00, 0x02, 'a', 'b', '.', 'c', 'o', 'm', '/', 'x'});
    bytes cut = eddystone({0x10, 0x00, 0x02, 'a', 'b', '.', 'c', 'o'});
    bytes names{5, 0x09, 'a', 0, 'b', 0x1b, 3, 0x08, 'x', 'y'};
    expect_dump(
        {
            {0x0B, {}, "APP_BLE_ADV_DATA  <empty>"},
            {0x0C, {0x05}, "APP_BLE_SCAN_RESP_DATA "},
            {0x0B, {2, 1, 6, 3, 3, 0xaa, 0xfe}, "APP_BLE_ADV_DATA  06 Eddystone"},
            {0x0B, {2, 1, 6, 0}, "APP_BLE_ADV_DATA  06"},
            {0x0B, {2, 1, 6, 0, 0}, "APP_BLE_ADV_DATA  06"},
            {0x22, {5, 9, 'A', 'B'}, "APP_WURX_BLE_ADV_DATA "},
            {0x23, {3, 3, 0x0d, 0x18}, "APP_WURX_BLE_SCAN_RESP_DATA  unknown svc ID '0d 18'"},
            {0x0B, url, "APP_BLE_ADV_DATA  -20dBm https://ab.com"},
            {0x0B, literal, "APP_BLE_ADV_DATA  0dBm http://ab.com/x"},
            {0x0B, cut, "APP_BLE_ADV_DATA  0dBm http://ab.co"},
            {0x0C, names, "APP_BLE_SCAN_RESP_DATA  a xy"},
        },
        "ERROR in record #1 (offset 0 relative to address 0xa): incomplete header\n"
        "ERROR in record #2 (offset 3 relative to address 0x18): incomplete header\n"
        "ERROR in record #1 (offset 0 relative to address 0x27): too large -- 5>3 left in this "
        "NVDS section\nunprocessed trailing bytes: 05 09 41 42\n"
        "WARNING: could not find a TLD in eddystone beacon");
}

} // namespace
