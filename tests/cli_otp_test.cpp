// OTP images end to end: blowing HW configuration bits, showing the word and
// the order rules of -i, -w, -N and -X.
#include "cli_harness.h"

using namespace cli;

namespace {

class Otp : public Sandbox {};

std::string word(const char *hex)
{
    return std::string("HW configuration: 0x") + hex + "\n";
}

TEST_F(Otp, BlowingShowingAndOrderRules)
{
    bytes a = otp_image(image({}), 0x00000001), b = otp_image(image({}), 0x80000000);
    const std::string fields = golden("hw_fields_fresh.txt");
    // clang-format off
    expect_cases({
        // The word is the complement of the last four bytes, little-endian.
        {{"-i", "-w", "SWD_DISABLE", "-b"}, 0, as_string(a), ""},
        {{"-i", "-w", "80000000", "-b", "-o", "b.bin"}, 0, "", "", {}, {{"b.bin", b}}},
        {{"-i", "-w", "OTP_BATT_TYPE:NO_VBAT", "-v", "-N"}, 0, word("10000000"), ""},
        // Bits are only ever added.
        {{"-i", "-w", "OTP_BATT_TYPE:2", "-w", "OTP_BATT_TYPE:1", "-v", "-N"}, 0, word("18000000"), ""},
        {{"-i", "-w", "OTP_BROWNOUT_THR:7", "-w", "OTP_NABG_TRIM:0xa", "-w", "SWD_DISABLE:0", "-v", "-N"}, 0, word("00050e00"), ""},
        {{"-i", "-w", "SPARE:1", "-v", "-N", "-X"}, 0, word("00002000"), ""},
        // A -w before the first -r is lost; a merge adds the words' bits.
        {{"-i", "-w", "OTP_HARV_TYPE", "-r", "a.bin", "-v", "-N"}, 0, word("00000001"), "", {{"a.bin", a}}},
        {{"-i", "-r", "a.bin", "-r", "b.bin", "-v", "-N"}, 0, word("80000001"), "", {{"b.bin", b}}},
        {{"-i", "-w", "SWD_DISABLE", "-w", "OTP_BATT_TYPE:3", "-p", "-N", "-X"}, 0, "[    0] SWD_DISABLE disable SWD\n" "[ 9:11] OTP_BROWNOUT_THR 0x0\n" "[   24] IGNORE_32KHZ_XTAL_CHECK wait for external 32.768kHz crystal to stabilize " "before entering low power states\n" "[   25] OTP_DISABLE_VDDIO internal VDDIO/VDDIOA\n" "[   26] OTP_HARV_TYPE non-RF harvesting\n" "[27:28] OTP_BATT_TYPE Rechargeable VBAT > 1.8V\n" "[   29] OTP_DISABLE_VDD internal DVDD1 and VDD1A\n" "[   30] DISABLE_OTP_WRITES OTP writes allowed\n" "[   31] NO_32KHZ_XTAL_ON_BOARD external 32.768kHz crystal present\n", ""},
        {{"-i", "-p", "-N"}, 0, fields, ""},
        {{"-i", "-p", "-N", "-X"}, 0, golden("hw_fields_fresh_hidden.txt"), ""},
        // Bit 14 is no SPARE value: the listing stops there unless SPARE is hidden.
        {{"-i", "-w", "4000", "-p", "-N"}, 3, fields.substr(0, fields.find("[13:14]")) + "[13:14] SPARE ", "ERROR: failed to decode SPARE\n"},
        {{"-w", "SWD_DISABLE"}, 1, "", "ERROR: must specify -i before -w 'SWD_DISABLE'\n"},
        {{"-i", "-w", "OTP_BROWNOUT_THR:10", "-b"}, 1, "", "ERROR: '10' is too big to fit in 3 bits\n" "ERROR: invalid sym value for HW cfg OTP_BROWNOUT_THR: '10'\n" "ERROR: invalid -w argument 'OTP_BROWNOUT_THR:10'\n"},
        {{"-N", "-i"}, 1, "", "ERROR: must specify -i before -N\n"},
        {{"-i", "-N", "-p"}, 1, "", "ERROR: must specify -p or -v before -N\n"},
        {{"-H", "w"}, 0, golden("hw_help.txt"), ""},
        {{"-X", "-H", "w"}, 0, golden("hw_help_hidden.txt"), ""},
    });
    // clang-format on
}

} // namespace
