// OTP images end to end: blowing HW configuration bits, showing the word and
// the order rules of -i, -w, -N and -X.
#include "cli_harness.h"

using namespace cli;

namespace {

class Otp : public Sandbox {
  protected:
    // The HW configuration word of a binary OTP image on standard output.
    uint32_t word_of(const std::vector<std::string> &args)
    {
        std::vector<std::string> all = args;
        all.push_back("-b");
        result r = run(all);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.size(), 4096u);
        if (r.out.size() != 4096)
            return 0;
        uint32_t w = 0;
        for (int k = 3; k >= 0; k--)
            w = w << 8 | uint8_t(r.out[size_t(4092 + k)]);
        return w;
    }
};

TEST_F(Otp, BlowingBits)
{
    EXPECT_EQ(word_of({"-i", "-w", "SWD_DISABLE"}), 0x00000001u);
    EXPECT_EQ(word_of({"-i", "-w", "80000000"}), 0x80000000u);
    EXPECT_EQ(word_of({"-i", "-w", "OTP_BATT_TYPE:NO_VBAT"}), 0x10000000u);
    EXPECT_EQ(word_of({"-i", "-w", "OTP_BATT_TYPE:2"}), 0x10000000u);
    // Bits are only ever added.
    EXPECT_EQ(word_of({"-i", "-w", "OTP_BATT_TYPE:2", "-w", "OTP_BATT_TYPE:1"}), 0x18000000u);
    EXPECT_EQ(word_of({"-i", "-w", "OTP_BROWNOUT_THR:7"}), 0x00000E00u);
    EXPECT_EQ(word_of({"-i", "-w", "OTP_NABG_TRIM:0xa", "-w", "SWD_DISABLE:0"}), 0x00050000u);
    EXPECT_EQ(word_of({"-i", "-w", "OTP_DISABLE_VDD:1", "-w", "OTP_DISABLE_VDDIO:1"}), 0x22000000u);
    EXPECT_EQ(word_of({"-i", "-w", "0X000000001"}), 0x00000001u);
}

TEST_F(Otp, RefusedArgumentsBlowNothing)
{
    expect_failure({"-w", "SWD_DISABLE"}, 1, "ERROR: must specify -i before -w 'SWD_DISABLE'\n");
    // A mistyped name is not read as a number.
    expect_failure({"-i", "-w", "DISABLE_OTP_WRITE"}, 1,
                   "ERROR: invalid -w argument 'DISABLE_OTP_WRITE'\n");
    expect_failure({"-i", "-w", "-1"}, 1, "ERROR: invalid -w argument '-1'\n");
    expect_failure({"-i", "-w", "100000000"}, 1, "ERROR: invalid -w argument '100000000'\n");
    expect_failure({"-i", "-w", "PDAC"}, 1,
                   "No value specified for multi-bit HW cfg\nUse 'PDAC:<integer value>'\n"
                   "ERROR: invalid -w argument 'PDAC'\n");
    expect_failure({"-i", "-w", "OTP_BROWNOUT_THR:10"}, 1,
                   "ERROR: '10' is too big to fit in 3 bits\n"
                   "ERROR: invalid sym value for HW cfg OTP_BROWNOUT_THR: '10'\n"
                   "ERROR: invalid -w argument 'OTP_BROWNOUT_THR:10'\n");
    expect_failure({"-i", "-w", "SPARE:2"}, 1,
                   "ERROR: '2' is not a valid bool/enum value\n"
                   "ERROR: invalid sym value for HW cfg SPARE: '2'\n"
                   "ERROR: invalid -w argument 'SPARE:2'\n");
    expect_failure({"-i", "-w", "OTP_NABG_TRIM:a"}, 1,
                   "ERROR: symbolic value provided for non-symbolic type HW configuration\n"
                   "ERROR: invalid sym value for HW cfg OTP_NABG_TRIM: 'a'\n"
                   "ERROR: invalid -w argument 'OTP_NABG_TRIM:a'\n");
}

TEST_F(Otp, ShowingTheWord)
{
    result r = run({"-i", "-v", "-N"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "HW configuration: 0x00000000\n");
    EXPECT_EQ(run({"-i", "-w", "SPARE:1", "-v", "-N", "-X"}).out, "HW configuration: 0x00002000\n");

    r = run({"-i", "-w", "SWD_DISABLE", "-w", "OTP_BATT_TYPE:3", "-p", "-N", "-X"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "[    0] SWD_DISABLE disable SWD\n"
              "[ 9:11] OTP_BROWNOUT_THR 0x0\n"
              "[   24] IGNORE_32KHZ_XTAL_CHECK wait for external 32.768kHz crystal to stabilize "
              "before entering low power states\n"
              "[   25] OTP_DISABLE_VDDIO internal VDDIO/VDDIOA\n"
              "[   26] OTP_HARV_TYPE non-RF harvesting\n"
              "[27:28] OTP_BATT_TYPE Rechargeable VBAT > 1.8V\n"
              "[   29] OTP_DISABLE_VDD internal DVDD1 and VDD1A\n"
              "[   30] DISABLE_OTP_WRITES OTP writes allowed\n"
              "[   31] NO_32KHZ_XTAL_ON_BOARD external 32.768kHz crystal present\n");

    // Bit 14 is no SPARE value: the listing stops there unless SPARE is hidden.
    r = run({"-i", "-w", "4000", "-p", "-N"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "ERROR: failed to decode SPARE\n");
    EXPECT_EQ(r.out.substr(r.out.size() - 14), "[13:14] SPARE ");
    EXPECT_EQ(run({"-i", "-w", "4000", "-p", "-N", "-X"}).status, 0);
}

TEST_F(Otp, OrderRules)
{
    expect_failure({"-N", "-i"}, 1, "ERROR: must specify -i before -N\n");
    expect_failure({"-i", "-N", "-p"}, 1, "ERROR: must specify -p or -v before -N\n");
    result r = run({"-X", "-H", "w"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, golden("hw_help_hidden.txt"));
    EXPECT_EQ(run({"-H", "w"}).out, golden("hw_help.txt"));
}

TEST_F(Otp, ReadsReplaceAndMergeTheWord)
{
    result a = run({"-i", "-w", "SWD_DISABLE", "-b", "-o", "a.bin"});
    result b = run({"-i", "-w", "80000000", "-b", "-o", "b.bin"});
    ASSERT_EQ(a.status + b.status, 0);
    // A -w before the first -r is lost.
    EXPECT_EQ(word_of({"-i", "-w", "OTP_HARV_TYPE", "-r", "a.bin"}), 0x00000001u);
    EXPECT_EQ(run({"-i", "-r", "a.bin", "-r", "b.bin", "-v", "-N"}).out,
              "HW configuration: 0x80000001\n");
}

} // namespace
