// Calibration records in the decoded dump, end to end.
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

TEST_F(Cal, ModemRegisterImage)
{
    EXPECT_EQ(dump(0xB1, {0x78, 0x56, 0x34, 0x12, 0xDE, 0xC0, 0x00, 0x00}),
              "@0007 MDM_CAL AGCMEAS = [twomeg_det_min=(0x24), twomeg_rssi_offset=(0x68), "
              "det_min=(0x56), rssi_offset=(0x78)]\n"
              "              AGCGAIN = [pd_quick_drop=(0x03), adc_quick_drop=(0x01), "
              "start=(0x5e)]\n\n");
    EXPECT_EQ(dump(0xB1, {}), "@0007 MDM_CAL \n");
}

TEST_F(Cal, RadioInterfaceRegisterImage)
{
    EXPECT_EQ(dump(0xB0, {0x3F, 0, 0, 0, 1, 2, 3, 4}),
              "@0007 RIF_CAL BIAS = [rbias=(0x3f)]\n"
              "              RXBBF_1M = [tia_rtrim=(0x04), tia_ctune=(0x03), rcc_rtrim=(0x00), "
              "rc_ctune=(0x08), notch_ctune=(0x01)]\n\n");
    // A full image ends with the identification register; 4096 bytes need the long header.
    bytes full(4096, 0);
    full[4092] = 0x78, full[4093] = 0x56, full[4094] = 0x34, full[4095] = 0x12;
    std::string out = dump(0xB0, full);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 47);
    EXPECT_EQ(out.substr(out.rfind("ID =") - 14), "              ID = [id=(0x12345678)]\n\n");
}

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
