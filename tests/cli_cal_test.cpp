// The miscellaneous calibration record in the decoded dump, end to end.
#include "cli_harness.h"

#include <algorithm>

using namespace cli;

namespace {

class Cal : public Sandbox {
  protected:
    // Listing of one record placed at data offset 0x0007.
    std::string dump(uint8_t tag, const bytes &data)
    {
        write_listed("img", {{tag, data, ""}});
        result r = run({"-r", "img", "-p"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        return r.out;
    }
};

TEST_F(Cal, MiscellaneousCalibration)
{
    bytes misc(114, 0);
    const uint8_t channels[] = {0x9A, 0xF1, 0x19, 0x00, 0x00, 0xE8, 0xF1, 0xFF,
                                0x00, 0xF0, 0x01, 0x80, 0x00, 0xF0, 0xFF, 0x7F};
    std::copy(std::begin(channels), std::end(channels), misc.begin());
    misc[112] = 0xFD, misc[113] = 1;
    std::string out = dump(0xBC, misc);
    std::string head = out.substr(0, out.find("channel  3"));
    EXPECT_EQ(head,
              "@0007 MISC_CAL GADC_GAIN_OFFSET=  channel  0: [0]:     1.50, 2253/2048( 1.100e+00)"
              "   |   [1]:    -1.00,           3/4( 7.500e-01)\n"
              "                                  channel  1: [0]: -2048.00,    1/1   ( 1.000e+00)"
              "   |   [1]:  2047.50, -4294967296/1(-4.295e+09)\n"
              "                                  channel  2: [0]:     0.00,    0/1   ( 4.657e-10)"
              "   |   [1]:     0.00,           0/1( 4.657e-10)\n"
              "                                  ");
    EXPECT_EQ(out.substr(out.rfind("\n", out.size() - 2) + 1),
              "PSEQ_XTAL_BITS1=0,PMU_TOP_PMU2A=0,PMU_TOP_PMU3=0,PMU_TOP_PMU4=0,"
              "tx_gain_offset=0xfffffffd,misc=0x1\n");
}

} // namespace
