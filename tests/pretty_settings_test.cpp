#include "decoder_harness.h"
#include "pretty_settings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace imgforge;
using bytes = std::vector<uint8_t>;

namespace {

struct decoded_case {
    bytes data;
    const char *out;
};

// Runs each case, expecting its standard output and nothing on standard error.
void expect_outputs(content_decoder decoder, uint8_t tag, const char *format,
                    const std::vector<decoded_case> &cases)
{
    for (const decoded_case &c : cases) {
        harness::decoded d = harness::run_decoder(decoder, c.data, {.tag = tag, .format = format});
        EXPECT_EQ(d.out, c.out) << "tag " << int(tag) << ", length " << c.data.size();
        EXPECT_EQ(d.err, "");
    }
}

bytes le32(uint32_t v)
{
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

bytes le16(uint16_t v)
{
    return {uint8_t(v), uint8_t(v >> 8)};
}

TEST(ValueDecoder, PrintsRecordWidthWithCatalogueFormat)
{
    expect_outputs(pretty_value_content, 0x07, "%u ppm", {{le16(30), "30 ppm"}});
    expect_outputs(pretty_value_content, 0x38, "%u reports/s", {{{200}, "200 reports/s"}});
    expect_outputs(pretty_value_content, 0xB5, "%u (in 16MHz cycles)",
                   {{le32(0xFFFFFFFF), "4294967295 (in 16MHz cycles)"}});
    expect_outputs(pretty_value_content, 0xB7, "%#x",
                   {{le32(0), "0"}, {le32(0x80001234), "0x80001234"}});
}

TEST(MaxSleepDur, HalfSlotsInMicroseconds)
{
    expect_outputs(pretty_MAX_SLEEP_DUR_content, 0x0A, nullptr,
                   {
                       {le32(3), "3 (937.500000us)"},
                       {le32(3200), "3200 (1000000us)"},
                       {le32(0), "0 (0us)"},
                       {le32(uint32_t(-3)), "-3 (-937.500000us)"},
                       {le32(uint32_t(-4)), "-4 (-1250us)"},
                       // (v / 2) * 625 past 32 bits
                       {le32(2147483646), "2147483646 (671088639375us)"},
                       {le32(0x80000000), "-2147483648 (-671088640000us)"},
                       {le32(2147483647), "2147483647 (671088639687.500000us)"},
                   });
}

TEST(UnitMultiples, WholeUnitsOnlyForExactMultiples)
{
    for (uint8_t tag : {0x0E, 0x0F})
        expect_outputs(pretty_OSC_WAKEUP_TIME_content, tag, nullptr,
                       {{le16(1500), "1500us"},
                        {le16(2000), "2ms"},
                        {le16(0), "0ms"},
                        {le16(65535), "65535us"}});
    for (uint8_t tag : {0x3B, 0x3D})
        expect_outputs(pretty_MOUSE_TIMEOUT_content, tag, nullptr,
                       {{le16(150), "1.500000s"}, {le16(0), "0s"}, {le16(300), "3s"}});
    expect_outputs(pretty_SCHED_SCAN_DUR_content, 0x17, nullptr,
                   {{le16(0), "0us"}, {le16(2500), "2us"}, {le16(1000), "1000"}});
}

TEST(SleepEnable, NamesAndUnknownValue)
{
    expect_outputs(pretty_SLEEP_ENABLE_content, 0x11, nullptr,
                   {{{0}, "NONE"},
                    {{1}, "DEEP"},
                    {{4}, "HIBERNATE"},
                    {{5}, "SOC_OFF"},
                    {{6}, "unknown sleep_enable value '6'"},
                    {{255}, "unknown sleep_enable value '255'"}});
}

TEST(ExtWakeupEnable, NamesAndReportedFaults)
{
    expect_outputs(pretty_EXT_WAKEUP_ENABLE_content, 0x12, nullptr,
                   {{{0}, "Disabled"}, {{1}, "Enabled"}, {{2}, "Enabled2"}});

    harness::decoded d = harness::run_decoder(pretty_EXT_WAKEUP_ENABLE_content, {3});
    EXPECT_EQ(d.out, "");
    EXPECT_EQ(d.err, "Unknown value '03' for tag EXT_WAKEUP_ENABLE\n");
    EXPECT_EQ(d.result, 1);

    for (const bytes &data : {bytes{1, 0}, bytes{}}) {
        d = harness::run_decoder(pretty_EXT_WAKEUP_ENABLE_content, data);
        EXPECT_EQ(d.out, "");
        EXPECT_EQ(d.err, "Unexpected length of data for EXT_WAKEUP_ENABLE: expected 1 but got " +
                             std::to_string(data.size()) + "\n");
        EXPECT_EQ(d.result, 1);
    }
}

TEST(Switches, NonZeroByteIsOn)
{
    for (uint8_t tag : {0x15, 0x16})
        expect_outputs(pretty_ACTIVITY_MOVE_CONFIG_content, tag, nullptr,
                       {{{0}, "disabled"}, {{1}, "enabled"}, {{0x80}, "enabled"}});
    expect_outputs(pretty_LE_DBG_FIXED_P256_KEY_content, 0x82, nullptr,
                   {{{0}, "false"}, {{2}, "true"}});
    expect_outputs(pretty_LE_CODED_PHY_500_content, 0x85, nullptr,
                   {{{0}, "false (125 Kbps)"}, {{1}, "true (500 Kbps)"}});
}

TEST(HalfSlotCounts, ProgDelayAndSleepAlgoDur)
{
    expect_outputs(pretty_PROG_DELAY_content, 0x18, nullptr,
                   {{{3}, "3 half slots (937us)"}, {{255}, "255 half slots (79687us)"}});
    expect_outputs(pretty_SLEEP_ALGO_DUR_content, 0x2E, nullptr,
                   {{le16(7), "7"}, {le16(8), "8 (4us)"}, {le16(0), "0 (0us)"}});
}

TEST(SlowClockCycles, FlashPowerupDelayByLength)
{
    expect_outputs(pretty_FLASH_POWERUP_DELAY_content, 0xB3, nullptr,
                   {{le16(33), "33 (1007.08us @ 32.768kHz)"},
                    {{33}, "33 (1007.08us @ 32.768kHz)"},
                    {{}, "0 (0.00us @ 32.768kHz)"},
                    {le16(65535), "65535 (1999969.48us @ 32.768kHz)"},
                    {{33, 0, 0}, ""}});
}

TEST(SlowClockCycles, SignedAdjustmentsWithWideProduct)
{
    for (uint8_t tag : {0xB9, 0xBA, 0xBB})
        expect_outputs(pretty_HIBERNATE_ADJ_content, tag, nullptr,
                       {{le32(33), "33 (1007.08us @ 32.768kHz)"},
                        {le32(uint32_t(-33)), "-33 (-1007.08us @ 32.768kHz)"},
                        {le32(2147484), "2147484 (65536010.74us @ 32.768kHz)"},
                        {le32(0x80000000), "-2147483648 (-65536000000.00us @ 32.768kHz)"}});
}

TEST(SmallRecords, DiagBytesByIndexZeroFilled)
{
    for (uint8_t tag : {0x31, 0x32})
        expect_outputs(pretty_DIAG_BLE_HW_content, tag, nullptr,
                       {{{1, 0, 0xFF, 0x10}, "[0]=0x1,[1]=0,[2]=0xff,[3]=0x10"},
                        {{1, 2}, "[0]=0x1,[1]=0x2,[2]=0,[3]=0"},
                        {{}, "[0]=0,[1]=0,[2]=0,[3]=0"},
                        {{1, 2, 3, 4, 5, 6}, "[0]=0x1,[1]=0x2,[2]=0x3,[3]=0x4"}});
}

TEST(SmallRecords, MouseNotificationWords)
{
    expect_outputs(pretty_MOUSE_NTF_CFG_content, 0x3A, nullptr,
                   {{{0x34, 0x12, 0, 0, 0xFF, 0xFF}, "0x1234 0 0xffff"},
                    {{0x01, 0x00, 0x02}, "0x1 0x2 0"},
                    {{1, 0, 2, 0, 3, 0, 4, 0}, "0x1 0x2 0x3"}});
}

TEST(SmallRecords, ScanSettingAndWurxProfileByLength)
{
    const bytes full = {0x20, 0x00, 0x10, 0x00, 0x00, 0x01};
    auto first = [&](size_t n) { return bytes(full.begin(), full.begin() + long(n)); };
    expect_outputs(pretty_SCAN_SETTING_content, 0xA4, nullptr,
                   {{full, "scan_interval=0x20,scan_window=0x10,scan_duration=0x100"},
                    {first(0), ""},
                    {first(1), "scan_interval=0x20,"},
                    {first(2), "scan_interval=0x20,"},
                    {first(3), "scan_interval=0x20,scan_window=0x10,"},
                    {first(4), "scan_interval=0x20,scan_window=0x10,"},
                    {first(5), "scan_interval=0x20,scan_window=0x10,scan_duration=0"}});
    expect_outputs(pretty_SCAN_SETTING_content, 0xA5, nullptr,
                   {{full, "wurx_scan_times=0x20,wurx_sleep_duration=0x10,"
                           "wurx_long_duration=0x100"},
                    {first(3), "wurx_scan_times=0x20,wurx_sleep_duration=0x10,"}});
}

TEST(SmallRecords, RadioOverridesAlwaysComplete)
{
    bytes full;
    for (uint32_t i = 1; i <= 12; i++) {
        bytes w = le32(i << 28 | i);
        full.insert(full.end(), w.begin(), w.end());
    }
    bytes longer = full;
    longer.insert(longer.end(), {0xAA, 0xAA, 0xAA, 0xAA});
    const char *all = "RADIOCNTL0=0x10000001,RADIOCNTL1=0x20000002,RADIOCNTL2=0x30000003,"
                      "RADIOCNTL3=0x40000004,RADIOPWRUPDN0=0x50000005,RADIOPWRUPDN1=0x60000006,"
                      "RADIOPWRUPDN2=0x70000007,RADIOPWRUPDN3=0x80000008,"
                      "RADIOTXRXTIM0=0x90000009,RADIOTXRXTIM1=0xa000000a,"
                      "RADIOTXRXTIM2=0xb000000b,RADIOTXRXTIM3=0xc000000c";
    expect_outputs(pretty_BLE_RADIO_OVR_content, 0xB2, nullptr,
                   {{full, all},
                    {longer, all},
                    {{5},
                     "RADIOCNTL0=0x5,RADIOCNTL1=0,RADIOCNTL2=0,RADIOCNTL3=0,RADIOPWRUPDN0=0,"
                     "RADIOPWRUPDN1=0,RADIOPWRUPDN2=0,RADIOPWRUPDN3=0,RADIOTXRXTIM0=0,"
                     "RADIOTXRXTIM1=0,RADIOTXRXTIM2=0,RADIOTXRXTIM3=0"}});
}

TEST(SmallRecords, PmuWurxFieldsByLength)
{
    bytes full;
    for (uint32_t i = 1; i <= 8; i++) {
        bytes w = le32(i);
        full.insert(full.end(), w.begin(), w.end());
    }
    bytes longer = full;
    longer.insert(longer.end(), 8, 0xAA);
    const char *all = "WURX_GENERAL_REG_ADDR=0x1,WURX0_0_REG_ADDR=0x2,WURX0_1_REG_ADDR=0x3,"
                      "WURX0_2_REG_ADDR=0x4,WURX0_3_REG_ADDR=0x5,WURX0_4_REG_ADDR=0x6,"
                      "WURX1_0_REG_ADDR=0x7,WURX1_1_REG_ADDR=0x8";
    expect_outputs(pretty_PMU_WURX_content, 0xB4, nullptr,
                   {{{}, ""},
                    {le32(0x1234), "WURX_GENERAL_REG_ADDR=0x1234,"},
                    {{1, 0, 0, 0, 2}, "WURX_GENERAL_REG_ADDR=0x1,WURX0_0_REG_ADDR=0x2,"},
                    {bytes(full.begin(), full.begin() + 28),
                     "WURX_GENERAL_REG_ADDR=0x1,WURX0_0_REG_ADDR=0x2,WURX0_1_REG_ADDR=0x3,"
                     "WURX0_2_REG_ADDR=0x4,WURX0_3_REG_ADDR=0x5,WURX0_4_REG_ADDR=0x6,"
                     "WURX1_0_REG_ADDR=0x7,"},
                    {full, all},
                    {longer, all}});
}

TEST(SmallRecords, CustCfgByLengthWithSignedGain)
{
    const bytes full = {0x78, 0x56, 0x34, 0x12, 0, 0, 0, 0, 0x05, 0xFE};
    auto first = [&](size_t n) { return bytes(full.begin(), full.begin() + long(n)); };
    bytes longer = full;
    longer.insert(longer.end(), {0x7F, 0x7F});
    const char *all =
        "PSEQ_XTAL_BITS0=0x12345678,PMU_TOP_PMU2=0,PWR_STEP_SIZE=0x5,external_pa_gain=0xfffffffe";
    expect_outputs(pretty_CUST_CFG_content, 0xBD, nullptr,
                   {{{}, "PSEQ_XTAL_BITS0=0,"},
                    {first(4), "PSEQ_XTAL_BITS0=0x12345678,"},
                    {first(5), "PSEQ_XTAL_BITS0=0x12345678,PMU_TOP_PMU2=0,"},
                    {first(9), "PSEQ_XTAL_BITS0=0x12345678,PMU_TOP_PMU2=0,PWR_STEP_SIZE=0x5,"},
                    {full, all},
                    {longer, all},
                    {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0x7F},
                     "PSEQ_XTAL_BITS0=0,PMU_TOP_PMU2=0,PWR_STEP_SIZE=0,external_pa_gain=0x7f"}});
}

// --- USER_APP ---

struct user_app_run {
    harness::decoded d;
    bool failed = false;
};

user_app_run write_user_app(const bytes &data, const char *path)
{
    user_app_run r;
    r.d = harness::run_decoder(pretty_USER_APP_content, data,
                               {.tag = 0xB6, .output_location = path, .file_failed = &r.failed});
    return r;
}

bytes file_bytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(UserApp, PlaceholderWithoutOutputPath)
{
    user_app_run r = write_user_app({1, 2, 3}, nullptr);
    EXPECT_EQ(r.d.out, "<blob>");
    EXPECT_EQ(r.d.err, "");
    EXPECT_FALSE(r.failed);
}

TEST(UserApp, WritesAndRewritesTheOutputFile)
{
    std::string path = testing::TempDir() + "user_app_test.bin";
    user_app_run r = write_user_app({1, 2, 3, 4, 5}, path.c_str());
    EXPECT_EQ(r.d.out, "Successfully wrote 5 bytes to '" + path + "'");
    EXPECT_EQ(r.d.result, 0);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(file_bytes(path), (bytes{1, 2, 3, 4, 5}));

    r = write_user_app({0xAB, 0xCD}, path.c_str());
    EXPECT_EQ(r.d.out, "Successfully wrote 2 bytes to '" + path + "'");
    EXPECT_EQ(file_bytes(path), (bytes{0xAB, 0xCD}));

    r = write_user_app({}, path.c_str());
    EXPECT_EQ(r.d.out, "Successfully wrote 0 bytes to '" + path + "'");
    EXPECT_EQ(file_bytes(path), bytes{});
    std::remove(path.c_str());
}

TEST(UserApp, UnopenablePathSetsFileFailed)
{
    const char *path = "/nonexistent-imgforge-dir/app.bin";
    user_app_run r = write_user_app({1, 2}, path);
    EXPECT_EQ(r.d.out, "");
    EXPECT_EQ(r.d.err,
              std::string("Failed to open file '") + path + "': No such file or directory\n");
    EXPECT_NE(r.d.result, 0);
    EXPECT_TRUE(r.failed);
}

TEST(UserApp, FullDeviceReportsWriteOrCloseFailure)
{
    if (!std::ifstream("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    user_app_run r = write_user_app({1, 2, 3}, "/dev/full");
    EXPECT_EQ(r.d.out, "");
    EXPECT_EQ(r.d.err, "Failed to close file '/dev/full': No space left on device");
    EXPECT_TRUE(r.failed);

    r = write_user_app(bytes(65535, 0x5A), "/dev/full");
    EXPECT_EQ(r.d.out.rfind("Attempted to write 65535 bytes to file '/dev/full' but wrote ", 0), 0u)
        << r.d.out;
    EXPECT_NE(r.d.out.find(": No space left on device"), std::string::npos) << r.d.out;
    EXPECT_TRUE(r.failed);
    EXPECT_NE(r.d.result, 0);
}

} // namespace
