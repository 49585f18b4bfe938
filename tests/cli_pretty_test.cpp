// The decoded dump end to end: the dispatcher's line forms, the length
// checks, and the identity and settings values the sample does not show.
#include "cli_harness.h"

using namespace cli;

namespace {

class Pretty : public Sandbox {
  protected:
    // A record whose length check fails ends the dump with the diagnostic.
    void expect_fatal(uint8_t tag, const bytes &data, const std::string &name,
                      const std::string &condition)
    {
        std::string listing = write_listed(
            "img", {{0x36, {1, 0}, "RECENT_BOND 1"}, {tag, data, name + " "}, {0x36, {2, 0}, "-"}});
        result r = run({"-r", "img", "-p"});
        EXPECT_EQ(r.status, 4);
        EXPECT_EQ(r.out, listing.substr(0, listing.find('\n', listing.find('\n') + 1)));
        std::string prefix = "ASSERT ERR(" + condition + ") at imgforge/dump/dispatch.cpp:";
        EXPECT_EQ(r.err.substr(0, prefix.size()), prefix) << r.err;
    }
};

TEST_F(Pretty, DispatcherForms)
{
    expect_dump({{0x00, {1, 2}, "00  01 02\n"},
                 {0xAA, {}, "aa \n"},
                 {0x95, {7}, "95  07\n"},
                 {0x1C, {1, 2}, "1c  01 02\n"},
                 {0x08, {}, "LPCLK_JITTER "},
                 {0x81, {0xab}, "LE_PUBLIC_KEY_P256  ab"},
                 {0x80, {}, "LE_PRIVATE_KEY_P256 "},
                 {0x80, {1, 2}, "LE_PRIVATE_KEY_P256 01 02"}});
    EXPECT_EQ(run({"-p"}).out, "");
}

TEST_F(Pretty, RangeMarkersPrintAnEmptyLine)
{
    write_listed("img", {{0x90, {1}, ""}, {0x07, {30, 0}, ""}, {0x9F, {}, ""}});
    expect_cases({{{"-r", "img", "-p"},
                   0,
                   "\n@000b LPCLK_DRIFT 30 ppm\n\n",
                   "Tag 'AM0_FIRST' handled as part of NVDS_TAG_*Tag 'AM0_LAST' handled as part of "
                   "NVDS_TAG_*"}});
}

TEST_F(Pretty, OffsetsGrowPastFourDigits)
{
    write("big", bytes(32000, 0));
    write("d", bytes{30, 0});
    result r = run({"-f", "100000", "-t", "b8", "-d", "big", "-t", "be", "-d", "big", "-t", "a7",
                    "-d", "big", "-t", "07", "-d", "d", "-p"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(r.out.rfind("@")), "@17713 LPCLK_DRIFT 30 ppm\n");
}

TEST_F(Pretty, LengthChecksAreFatal)
{
    expect_fatal(0x07, {30, 0, 0}, "LPCLK_DRIFT", "len == sizeof(local_drift)");
    expect_fatal(0x01, {1, 2, 3, 4, 5}, "BD_ADDRESS", "len == LEN");
    expect_fatal(0x3E, seq(27), "LTK", "len == LEN");
    expect_fatal(0x02, bytes(249, 'x'), "DEVICE_NAME", "len <= PARAM_LEN_DEVICE_NAME");
    expect_fatal(0xA4, bytes(7, 0), "SCAN_SETTING", "len <= sizeof(scan_para)");
    expect_fatal(0xB9, {1, 2}, "HIBERNATE_ADJ", "len == sizeof(hibernate_adjust_dur)");
    expect_fatal(0xFD, {1, 2, 3, 4}, "MEM_W", "len == sizeof(mem_w)");
    expect_fatal(0xFE, bytes(8, 0), "MEM_RMW", "len == sizeof(mem_rmw)");
}

TEST_F(Pretty, IdentityRecords)
{
    // clang-format off
    expect_dump({
        {0x02, {}, "DEVICE_NAME ''"},
        {0x02, bytes(248, 'n'), "DEVICE_NAME '" + std::string(248, 'n') + "'"},
        {0x02, {'d', 'e', 'v', 0, 'x'}, "DEVICE_NAME 'dev'"},
        // Control characters never reach the terminal; UTF-8 stays intact.
        {0x02, {'a', 0x1b, '[', 'm', 0x7f, 0xc3, 0xa9}, "DEVICE_NAME 'a\\x1b[m\\x7f\xc3\xa9'"},
        {0x3C, {}, "PEER_BD_ADDRESS 00:00:00:00:00:00, type: public"},
        {0x3C, {1, 2, 3, 4, 5, 6, 1, 0xEE}, "PEER_BD_ADDRESS 06:05:04:03:02:01, type: private random"},
        {0xAD, seq(28, 0xe0), "PEER_LTK_3 key=0xe0e1e2e3e4e5e6e7e8e9eaebecedeeef"},
        {0x3C, {1, 2, 3, 4, 5, 6}, "PEER_BD_ADDRESS 06:05:04:03:02:01, type: public"},
        {0x44, {1, 2, 3, 4, 5, 6, 2}, "PEER_BD_ADDRESS_3 06:05:04:03:02:01, type: unknown address type"},
        {0xA2, {0xff}, "PEER_IRK_2 key=ff 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00," "addr=00:00:00:00:00:00,addr_type=public"},
        {0x36, {0x34, 0x12}, "RECENT_BOND 4660"},
    });
    // clang-format on
}

TEST_F(Pretty, SettingsRecords)
{
    // clang-format off
    expect_dump({
        {0x0A, le32(3), "MAX_SLEEP_DUR 3 (937.500000us)"},
        {0x0A, le32(-2), "MAX_SLEEP_DUR -2 (-625us)"},
        {0x0A, le32(20000000), "MAX_SLEEP_DUR 20000000 (6250000000us)"},
        {0x0E, {0xDC, 0x05}, "OSC_WAKEUP_TIME 1500us"},
        {0x0E, {0, 0}, "OSC_WAKEUP_TIME 0ms"},
        {0x12, {2}, "EXT_WAKEUP_ENABLE Enabled2"},
        {0x12, {3}, "EXT_WAKEUP_ENABLE "},
        {0x12, {1, 0}, "EXT_WAKEUP_ENABLE "},
        {0x17, {7, 0}, "SCHED_SCAN_DUR 7"},
        {0x2E, {7, 0}, "SLEEP_ALGO_DUR 7"},
        {0x32, {1}, "DIAG_SW [0]=0x1,[1]=0,[2]=0,[3]=0"},
        {0x85, {0}, "LE_CODED_PHY_500 false (125 Kbps)"},
        {0x3A, {1, 0, 2, 0}, "MOUSE_NTF_CFG 0x1 0x2 0"},
        {0x3B, {0, 0}, "MOUSE_TIMEOUT 0s"},
        {0xA4, {0x20, 0}, "SCAN_SETTING scan_interval=0x20,"},
        {0xA4, {}, "SCAN_SETTING "},
        {0xB2, {1}, "BLE_RADIO_OVR RADIOCNTL0=0x1,RADIOCNTL1=0,RADIOCNTL2=0,RADIOCNTL3=0," "RADIOPWRUPDN0=0,RADIOPWRUPDN1=0,RADIOPWRUPDN2=0,RADIOPWRUPDN3=0," "RADIOTXRXTIM0=0,RADIOTXRXTIM1=0,RADIOTXRXTIM2=0,RADIOTXRXTIM3=0"},
        {0xB3, {1, 2, 3}, "FLASH_POWERUP_DELAY "},
        {0xB4, {1, 0, 0, 0}, "PMU_WURX WURX_GENERAL_REG_ADDR=0x1,"},
        {0xB4, {}, "PMU_WURX "},
        {0xB5, le32(1000), "WATCHDOG 1000 (in 16MHz cycles)"},
        {0xB6, {1, 2, 3}, "USER_APP <blob>"},
        {0xB7, le32(0x1234), "PMU_WKUP 0x1234"},
        {0xB7, le32(0), "PMU_WKUP 0"},
        {0xB9, le32(-33), "HIBERNATE_ADJ -33 (-1007.08us @ 32.768kHz)"},
        {0xBA, le32(3000000), "RETAIN_ADJ 3000000 (91552734.38us @ 32.768kHz)"},
        {0xBB, le32(33), "SLEEP_MIN 33 (1007.08us @ 32.768kHz)"},
        {0xBD, {0, 0, 0, 0, 1, 0, 0, 0, 5, 0xFE}, "CUST_CFG PSEQ_XTAL_BITS0=0,PMU_TOP_PMU2=0x1,PWR_STEP_SIZE=0x5,external_pa_gain=0xfffffffe"},
        {0xBD, {0, 0, 0, 0, 1, 0, 0, 0, 5}, "CUST_CFG PSEQ_XTAL_BITS0=0,PMU_TOP_PMU2=0x1,PWR_STEP_SIZE=0x5,"},
        {0xBD, {}, "CUST_CFG PSEQ_XTAL_BITS0=0,"},
    },
        "Unknown value '03' for tag EXT_WAKEUP_ENABLE\n"
        "Unexpected length of data for EXT_WAKEUP_ENABLE: expected 1 but got 2\n");
    // clang-format on
}

// The USER_APP file replaces what was there; the dump goes on after a failed
// write, which then fails the run.
TEST_F(Pretty, UserAppOutputFile)
{
    const bytes app = image({{0xB6, {1, 2, 3}}, {0x07, {30, 0}}});
    const std::string drift = "@000d LPCLK_DRIFT 30 ppm\n";
    const std::string full = "No space left on device";
    // clang-format off
    expect_cases({
        {{"-r", "img", "-p", "-o", "app.bin"}, 0, "@0007 USER_APP Successfully wrote 3 bytes to 'app.bin'\n" + drift, "", {{"img", app}, {"app.bin", bytes(10, 9)}}, {{"app.bin", {1, 2, 3}}}},
        {{"-r", "empty", "-p", "-o", "app.bin"}, 0, "@0007 USER_APP Successfully wrote 0 bytes to 'app.bin'\n", "", {{"empty", image({{0xB6, {}}})}}, {{"app.bin", {}}}},
        {{"-r", "img", "-p", "-o", "nodir/app.bin"}, 2, "@0007 USER_APP \n" + drift, "Failed to open file 'nodir/app.bin': No such file or directory\n"},
        {{"-r", "img", "-p", "-o", "/dev/full"}, 2, "@0007 USER_APP \n" + drift, "Failed to close file '/dev/full': " + full, {}, {}, "/dev/full"},
        {{"-r", "big", "-p", "-o", "/dev/full"}, 2, "@0008 USER_APP Attempted to write 32767 bytes to file '/dev/full' but wrote 0: " + full + "\n", "", {{"big", image({{0xB6, bytes(32767, 7)}})}}, {}, "/dev/full"},
    });
    // clang-format on
}

} // namespace
