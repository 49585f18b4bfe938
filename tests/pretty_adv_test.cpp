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

struct payload_case {
    bytes data;
    std::string out;
    std::string err = "";
    int errors = 0;
};

void expect_payloads(const std::vector<payload_case> &cases)
{
    for (const payload_case &c : cases) {
        harness::decoded d = harness::run_decoder(pretty_APP_BLE_DATA_content, c.data);
        EXPECT_EQ(d.out, c.out) << "payload of " << c.data.size() << " bytes";
        EXPECT_EQ(d.err, c.err) << c.out;
        EXPECT_EQ(d.result, c.errors) << c.out;
    }
}

// Service data of the Eddystone UUID.
bytes eddystone(const bytes &frame)
{
    bytes b{uint8_t(frame.size() + 3), 0x16, 0xAA, 0xFE};
    b.insert(b.end(), frame.begin(), frame.end());
    return b;
}

const char no_tld[] = "WARNING: could not find a TLD in eddystone beacon";

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

// One field set in an otherwise zero record: the names no other record
// shows, unnamed values, and the signed and wide fields.
TEST(ActivityCreate, SingleFields)
{
    struct field_case {
        size_t offset;
        uint8_t value;
        std::string text;
    };
    // clang-format off
    const field_case cases[] = {
        {0, 0x03, "addr_type=? "},
        {3, 0x02, "type=PERIODIC,"},
        {4, 0x02, "disc_mode=LIM_DISC,"},
        {4, 0x04, "disc_mode=MAX,"},
        {4, 0x05, "disc_mode=?,"},
        {5, 0x02, "prop=NON_CONN_SCAN,"},
        {5, 0x05, "prop=DIR_CONN,"},
        {6, 0x01, "prop=?,"},
        {7, 0x80, "max_tx_pwr=-128dBm,"},
        {7, 0x7F, "max_tx_pwr=127dBm,"},
        {8, 0x01, "filter_pol=WLST_CON_ANY,"},
        {8, 0x03, "filter_pol=WLST_CON_WLST,"},
        {15, 0x02, "peer_addr_ty=?,"},
        {26, 0x01, "prim.adv_intv_max=10485760ms,"},
    };
    // clang-format on
    for (const field_case &c : cases)
        EXPECT_NE(create_text(create_cmd({{c.offset, c.value}})).find(c.text), std::string::npos)
            << c.text;
}

TEST(AdvPayload, FramingServicesAndNames)
{
    bytes full_length{0xFF, 0x01};
    full_length.resize(256, 0x5A);
    std::string fives = " 5a";
    for (int i = 1; i < 254; i++)
        fives += " 5a";
    // clang-format off
    expect_payloads({
        {{0x00}, "", incomplete(1, 0), 1},
        {{0x00, 0x02, 0x01, 0x06}, ""},
        {{0x01, 0xFF, 0x02, 0x01, 0x06}, "  06"},
        {full_length, fives},
        {{0x02, 0x01, 0x06, 0x03, 0xFF}, " 06", "ERROR in record #2 (offset 3 relative to address 0x10): too large -- 3>1 left in " "this NVDS section\nunprocessed trailing bytes: 03 ff\n", 1},
    });
    // clang-format on
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

TEST(AdvPayload, ServiceListsAndLocalNames)
{
    // clang-format off
    expect_payloads({
        {{0x05, 0x03, 0xAA, 0xFE, 0x0D, 0x18}, " Eddystone"},
        {{0x03, 0x03, 0x0D, 0x18, 0x02, 0x01, 0x06}, " unknown svc ID '0d 18' 06", "", 1},
        {{0x02, 0x03, 0xAA}, " unknown svc ID 'aa'", "", 1},
        {{0x01, 0x03}, " unknown svc ID ''", "", 1},
        {{0x02, 0x16, 0xAA}, " unknown svc_data ID 'aa'", "", 1},
        {{0x04, 0x16, 0xAB, 0xCD, 0x10}, " unknown svc_data ID 'ab cd 10'", "", 1},
        {{0x05, 0x09, 'a', 0x01, 0x1F, 0x7F}, " a\\x01\\x1f\\x7f"},
        {{0x03, 0x09, ' ', 0xE9}, "  \xE9"},
        {{0x01, 0x08}, " "},
    });
    // clang-format on
}

TEST(Eddystone, UrlFramesWithEncodedTlds)
{
    const char *tlds[] = {".com/", ".org/", ".edu/", ".net/", ".info/", ".biz/", ".gov/",
                          ".com",  ".org",  ".edu",  ".net",  ".info",  ".biz",  ".gov"};
    const char *schemes[] = {"http://www.", "https://www.", "http://", "https://"};
    for (uint8_t code = 0; code < 14; code++)
        expect_payloads({{eddystone({0x10, 0x04, uint8_t(code % 4), 'a', code, 'x'}),
                          std::string(" 4dBm ") + schemes[code % 4] + "a" + tlds[code] + "x"}});
    expect_payloads({
        // Every code byte after the first TLD is expanded too; other control
        // bytes stay escaped.
        {eddystone({0x10, 0xEC, 0x02, 'a', 0x07, 'b', 0x00, 0x07}),
         " -20dBm http://a.comb.com/.com"},
        {eddystone({0x10, 0xEC, 0x03, 'a', 'b', 'c', 0x01, 'x', 0x07}),
         " -20dBm https://abc.org/x.com"},
        {eddystone({0x10, 0xEC, 0x03, 'm', 'y', '.', 'e', 'd', 'u', '.', 'e', 'x', 0x00}),
         " -20dBm https://my.edu.ex.com/"},
        {eddystone({0x10, 0xEC, 0x03, 'a', 0x0D, 0x0E, 0x1F, 0x7F, 'b'}),
         " -20dBm https://a.gov\\x0e\\x1f\\x7fb"},
        {eddystone({0x10, 0xEC, 0x03, 'a', 0x7F, 0x07}), " -20dBm https://a\\x7f.com"},
        {eddystone({0x10, 0xEC, 0x04, 'a', 0x07}), " -20dBm unknown Eddystone scheme prefix '04'"},
        {eddystone({0x10, 0xEC, 0x00, 'a', 0x0E}),
         " -20dBm http://www.aunknown Eddystone TLD '0e'"},
        {eddystone({0x10, 0xEC, 0x00, 'a', 0x20}),
         " -20dBm http://www.aunknown Eddystone TLD '20'"},
        {eddystone({0x10, 0xEC, 0x00, 0x80}), " -20dBm http://www.unknown Eddystone TLD '80'"},
        {eddystone({0x00, 0xEC, 0x03, 'a', 'b', 0x07}), " -20dBm unknown frame type '00'"},
    });
}

TEST(Eddystone, LiteralTldsAndShortFrames)
{
    expect_payloads({
        {eddystone({0x10, 0x00, 0x03, 'a', 'b', '.', 'c', 'o', 'm'}), " 0dBm https://ab.com"},
        {eddystone({0x10, 0x00, 0x03, 'a', '.', 'c', 'o', 'm', 0x07}), " 0dBm https://a.com.com"},
        {eddystone({0x10, 0x00, 0x03, 'a', 0x07, '.', 'c', 'o', 'm'}), " 0dBm https://a.com.com"},
        {eddystone({0x10, 0x00, 0x01, 'a', 'b'}), " 0dBm https://www.ab", no_tld},
        {eddystone({0x10, 0x00, 0x02}), " 0dBm http://", no_tld},
        {eddystone({0x00, 0x00, 0x02, 'a'}), " 0dBm unknown frame type '00'", no_tld},
        // Frames too short for their header.
        {eddystone({0x10, 0xEC}), " incomplete Eddystone frame '10 ec'"},
        {eddystone({0x10}), " incomplete Eddystone frame '10'"},
        {eddystone({}), " incomplete Eddystone frame ''"},
        {eddystone({0x10, 0xEC, 0x00}), " -20dBm http://www.", no_tld},
    });
}
