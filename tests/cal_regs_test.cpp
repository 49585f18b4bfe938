#include "cal_regs.h"
#include "mdm_pretty.h"
#include "rif_pretty.h"

#include "decoder_harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace imgforge;

namespace {

const std::string indent(14, ' ');

// Content bytes 0, 1, 2, ... (mod 251, so words differ from register to register).
std::vector<uint8_t> pattern(size_t n)
{
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; i++)
        bytes[i] = uint8_t(i % 251);
    return bytes;
}

// The register names of a dump, checking that every line but the first is
// indented under the first.
std::vector<std::string> register_names(const std::string &out)
{
    std::vector<std::string> names;
    size_t pos = 0;
    while (pos < out.size()) {
        size_t end = out.find('\n', pos);
        EXPECT_NE(end, std::string::npos) << "unterminated line";
        std::string line = out.substr(pos, end - pos);
        if (!names.empty()) {
            EXPECT_EQ(line.compare(0, indent.size(), indent), 0) << line;
            line.erase(0, indent.size());
        }
        names.push_back(line.substr(0, line.find(" = [")));
        pos = end + 1;
    }
    return names;
}

std::string register_line(const cal_block &block, uint32_t offset, uint32_t word)
{
    testing::internal::CaptureStdout();
    print_cal_register(block, offset, word);
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

struct image_kind {
    const char *tag;
    content_decoder decoder;
    const cal_block &block;
    size_t run_bytes; // the registers before the identification register
    const char *first;
    const char *last_of_run;
    const char *id_line_start;
};

const image_kind kinds[] = {
    {"MDM_CAL", pretty_MDM_CAL_content, mdm_cal_block, 220, "AGCMEAS", "ERR_INJ",
     "CORE_ID = [core_id=(0x"},
    {"RIF_CAL", pretty_RIF_CAL_content, rif_cal_block, 180, "BIAS", "CAL_CNTL", "ID = [id=(0x"},
};

std::string decode(const image_kind &k, size_t len)
{
    harness::decoded d = harness::run_decoder(k.decoder, pattern(len));
    EXPECT_EQ(d.err, "");
    EXPECT_EQ(d.result, 0);
    return d.out;
}

} // namespace

TEST(CalImages, WorkedExamples)
{
    harness::decoded mdm = harness::run_decoder(pretty_MDM_CAL_content,
                                                {0x78, 0x56, 0x34, 0x12, 0xDE, 0xC0, 0x00, 0x00});
    EXPECT_EQ(mdm.out, "AGCMEAS = [twomeg_det_min=(0x24), twomeg_rssi_offset=(0x68), "
                       "det_min=(0x56), rssi_offset=(0x78)]\n" +
                           indent +
                           "AGCGAIN = [pd_quick_drop=(0x03), adc_quick_drop=(0x01), "
                           "start=(0x5e)]\n");
    harness::decoded rif = harness::run_decoder(pretty_RIF_CAL_content,
                                                {0x3F, 0x00, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04});
    EXPECT_EQ(rif.out, "BIAS = [rbias=(0x3f)]\n" + indent +
                           "RXBBF_1M = [tia_rtrim=(0x04), tia_ctune=(0x03), rcc_rtrim=(0x00), "
                           "rc_ctune=(0x08), notch_ctune=(0x01)]\n");
}

TEST(CalImages, ShortContents)
{
    for (const image_kind &k : kinds) {
        SCOPED_TRACE(k.tag);
        EXPECT_EQ(decode(k, 0), "");
        for (size_t len = 1; len <= 4; len++)
            EXPECT_EQ(register_names(decode(k, len)), std::vector<std::string>{k.first});
        EXPECT_EQ(register_names(decode(k, 5)).size(), 2u);
    }
    // Bytes a partial last word lacks show as zero.
    EXPECT_EQ(harness::run_decoder(pretty_RIF_CAL_content, {0xFF}).out, "BIAS = [rbias=(0x3f)]\n");
    EXPECT_EQ(harness::run_decoder(pretty_MDM_CAL_content, {0xFF, 0xFF}).out,
              "AGCMEAS = [twomeg_det_min=(0x00), twomeg_rssi_offset=(0x01), det_min=(0x7f), "
              "rssi_offset=(0xff)]\n");
}

TEST(CalImages, RegisterRunWithoutIdentification)
{
    for (const image_kind &k : kinds) {
        SCOPED_TRACE(k.tag);
        std::string run = decode(k, k.run_bytes);
        std::vector<std::string> names = register_names(run);
        ASSERT_EQ(names.size(), k.run_bytes / 4);
        EXPECT_EQ(names.front(), k.first);
        EXPECT_EQ(names.back(), k.last_of_run);
        EXPECT_EQ(register_names(decode(k, k.run_bytes - 3)).size(), k.run_bytes / 4);
        EXPECT_EQ(register_names(decode(k, k.run_bytes - 4)).size(), k.run_bytes / 4 - 1);
        for (size_t len : {k.run_bytes + 1, size_t(1000), size_t(4092)})
            EXPECT_EQ(decode(k, len), run) << len;
    }
}

TEST(CalImages, IdentificationRegisterLast)
{
    for (const image_kind &k : kinds) {
        SCOPED_TRACE(k.tag);
        std::string full = decode(k, 4096);
        std::vector<std::string> names = register_names(full);
        EXPECT_EQ(names.size(), k.run_bytes / 4 + 1);
        // Bytes 0xFFC..0xFFF of the pattern: 4092 % 251 = 76, so 4c 4d 4e 4f.
        EXPECT_NE(full.find(indent + k.id_line_start + "4f4e4d4c)]\n"), std::string::npos);
        EXPECT_EQ(full.substr(0, decode(k, k.run_bytes).size()), decode(k, k.run_bytes));
        // 4093 reaches into the identification word; its missing bytes are zero.
        EXPECT_NE(decode(k, 4093).find(std::string(k.id_line_start) + "0000004c)]\n"),
                  std::string::npos);
        // Longer contents are shown from their first 4096 bytes only.
        EXPECT_EQ(decode(k, 5000), full);
        EXPECT_EQ(decode(k, 32767), full);
    }
}

TEST(CalImages, ReadsTheContentOnce)
{
    static std::vector<std::pair<uint32_t, uint32_t>> reads;
    auto counting_read = [](uint32_t address, uint32_t length, uint8_t *dst) {
        reads.emplace_back(address, length);
        return harness::read_region(address, length, dst);
    };
    for (const image_kind &k : kinds) {
        for (size_t len : {size_t(7), size_t(4096), size_t(5000)}) {
            harness::region() = std::vector<uint8_t>(0x20, 0);
            std::vector<uint8_t> data = pattern(len);
            harness::region().insert(harness::region().end(), data.begin(), data.end());
            reads.clear();
            walk_args args{};
            testing::internal::CaptureStdout();
            k.decoder(counting_read, 0x20, uint16_t(len), args);
            testing::internal::GetCapturedStdout();
            ASSERT_EQ(reads.size(), 1u);
            EXPECT_EQ(reads[0],
                      std::make_pair(uint32_t(0x20), uint32_t(std::min<size_t>(len, 4096))));
        }
    }
}

TEST(CalImages, AllOnesWordsShowOnlyFieldBits)
{
    EXPECT_EQ(register_line(mdm_cal_block, 0x0D8, 0xFFFFFFFF),
              "ERR_INJ = [lfsr_seed=(0xffff), en=(0x01)]\n");
    EXPECT_EQ(register_line(rif_cal_block, 0x000, 0xFFFFFFFF), "BIAS = [rbias=(0x3f)]\n");
    EXPECT_EQ(register_line(rif_cal_block, 0x098, 0xFFFFFFFF),
              "SYNTH_CHAN1 = [chan_frac_sif=(0x001fffff)]\n");
    EXPECT_EQ(register_line(rif_cal_block, 0x0A0, 0xFFFFFFFF),
              "SYNTH_CHAN3 = [chan_frac_lif2=(0x001fffff)]\n");
    EXPECT_EQ(register_line(rif_cal_block, 0x074, 0xFFFFFFFF),
              "TIMER3 = [xpaoff_time=(0x3f), xpaon_time=(0x03ff)]\n");
    EXPECT_EQ(register_line(mdm_cal_block, 0x06C, 0x00FFF000),
              "ACCESS_ADDRESS = [uncoded_bit_count_timeout=(0x00), "
              "coded_bit_count_timeout=(0x0fff), enable_uncoded_timeout=(0x00), "
              "enable_coded_timeout=(0x00), lsb_auto_match=(0x00), match_thr=(0x00)]\n");
    EXPECT_EQ(register_line(mdm_cal_block, 0xFFC, 0x1), "CORE_ID = [core_id=(0x00000001)]\n");
}

TEST(CalImages, NumberedEntries)
{
    uint32_t gain = 0x3FFu << 20 | 0x155u << 10 | 0x2AAu;
    EXPECT_EQ(register_line(rif_cal_block, 0x030, gain),
              "RXGAIN5 = [entry17=(0x03ff), entry16=(0x0155), entry15=(0x02aa)]\n");
    EXPECT_EQ(register_line(rif_cal_block, 0x01C, 0),
              "RXGAIN0 = [entry2=(0x0000), entry1=(0x0000), entry0=(0x0000)]\n");
    EXPECT_EQ(register_line(rif_cal_block, 0x050, 0),
              "RXGAIN13 = [entry41=(0x0000), entry40=(0x0000), entry39=(0x0000)]\n");
    EXPECT_EQ(register_line(rif_cal_block, 0x014, 0x44332211),
              "TXGAIN0 = [entry3=(0x44), entry2=(0x33), entry1=(0x22), entry0=(0x11)]\n");
    EXPECT_EQ(register_line(rif_cal_block, 0x018, 0x44332211),
              "TXGAIN1 = [entry7=(0x44), entry6=(0x33), entry5=(0x22), entry4=(0x11)]\n");
    EXPECT_EQ(register_line(rif_cal_block, 0x078, 0xFFFFFFFF), "RXDC0 = [entry0=(0x00ffffff)]\n");
    EXPECT_EQ(register_line(rif_cal_block, 0x08C, 0x123), "RXDC5 = [entry5=(0x00000123)]\n");
    EXPECT_EQ(register_line(rif_cal_block, 0x090, 0xFFFFFFFF),
              "RXDC7 = [bb1_dcoc_uselut=(0x01), bb1_dcoc_ovr=(0x01), bb1i_dcoc=(0x3f), "
              "bb1q_dcoc=(0x3f)]\n");
}

TEST(CalImages, SynthesizerSuffixes)
{
    EXPECT_EQ(register_line(rif_cal_block, 0x05C, 0x80000005),
              "SYNTX3 = [filtR3_rx=(0x08), filtRs_rx=(0x00), filtC_rx=(0x00), cpLk_rx=(0x00), "
              "cpCur_rx=(0x00), cpBias_rx=(0x00), vcoBias_rx=(0x00), vcoAgcEnGain_rx=(0x00), "
              "vcoAgcEn_rx=(0x01), loopReferenceFrequency_rx=(0x01)]\n");
    for (auto [offset, suffix] : {std::pair{0x054u, "_tx1"}, std::pair{0x058u, "_tx2"}}) {
        std::string line = register_line(rif_cal_block, offset, 0);
        EXPECT_NE(line.find(std::string("[filtR3") + suffix + "=(0x00), filtRs" + suffix + "="),
                  std::string::npos);
        EXPECT_NE(line.find(std::string("loopReferenceFrequency") + suffix + "=(0x00)]\n"),
                  std::string::npos);
    }
    EXPECT_EQ(register_line(rif_cal_block, 0x060, 0).rfind("SYNTX4 = [fast_mod_ramp_up=", 0), 0u);
}

TEST(CalImages, SharedModemLayouts)
{
    // FFE1..FFE7 and their TWOMEG_ twins print the same fields.
    for (uint32_t offset = 0x074; offset <= 0x08C; offset += 4) {
        std::string one = register_line(mdm_cal_block, offset, 0x2AAAAAAA);
        std::string twin = register_line(mdm_cal_block, offset + 0x1C, 0x2AAAAAAA);
        EXPECT_EQ("TWOMEG_" + one, twin);
    }
    const std::string adjust = "adjust3=(0xff), adjust2=(0xff), adjust1=(0xff)]\n";
    EXPECT_EQ(register_line(mdm_cal_block, 0x04C, 0xFFFFFFFF), "DFEWITHFFE = [" + adjust);
    EXPECT_EQ(register_line(mdm_cal_block, 0x050, 0xFFFFFFFF),
              "DFEWITHOUTFFE = [coded_en=(0x01), " + adjust);
    EXPECT_EQ(register_line(mdm_cal_block, 0x054, 0xFFFFFFFF), "TWOMEG_DFEWITHFFE = [" + adjust);
    EXPECT_EQ(register_line(mdm_cal_block, 0x058, 0xFFFFFFFF), "TWOMEG_DFEWITHOUTFFE = [" + adjust);
    EXPECT_EQ(register_line(mdm_cal_block, 0x018, 0x00FF0000),
              "AGCPWRSTEPSAT = [check_thr_low=(0xff), check_thr_high=(0x00), thr_cnt=(0x00), "
              "check_win=(0x00)]\n");
}

TEST(CalImages, LayoutTablesAreConsistent)
{
    for (const image_kind &k : kinds) {
        const cal_block &block = k.block;
        for (const cal_layout &l : block.layouts) {
            SCOPED_TRACE(family_offset_to_str(*block.family, l.offset));
            ASSERT_FALSE(l.fields.empty());
            EXPECT_GE(l.count, 1u);
            if (l.naming == cal_naming::suffixed) {
                EXPECT_EQ(l.suffixes.size(), l.count);
            }
            for (size_t i = 0; i < l.fields.size(); i++) {
                const cal_field &f = l.fields[i];
                EXPECT_LE(f.hi, 31) << f.name;
                EXPECT_LE(f.lo, f.hi) << f.name;
                EXPECT_GE(f.digits * 4, f.hi - f.lo + 1) << f.name;
                EXPECT_TRUE(f.digits == 2 || f.digits == 4 || f.digits == 8) << f.name;
                if (i + 1 < l.fields.size()) {
                    EXPECT_GT(f.lo, l.fields[i + 1].hi) << f.name;
                }
            }
            for (uint32_t r = 0; r < l.count; r++) {
                uint32_t offset = l.offset + 4 * r;
                EXPECT_STRNE(family_offset_to_str(*block.family, offset), block.family->unknown);
                cal_register found = find_cal_register(block, offset);
                EXPECT_EQ(found.layout, &l); // no offset has two layouts
                EXPECT_EQ(found.index, r);
            }
        }
        // Every register the walk reaches has a layout.
        for (uint32_t o = family_begin_offset(*block.family); !family_end_offset(*block.family, o);
             o = family_next_offset(*block.family, o))
            EXPECT_NE(find_cal_register(block, o).layout, nullptr) << k.tag << " " << o;
    }
}

TEST(CalImages, GenericPrinterFollowsTheFamily)
{
    // A block without layouts shows whole words; the walk follows the
    // family's gaps.
    const cal_block bare{&CMSDK_QZ_APB_KSM, {}};
    EXPECT_EQ(register_line(bare, 0x058, 0x5), "LPBACK_KSI = [0x5]\n");
    EXPECT_EQ(register_line(bare, 0x000, 0), "CTRL0 = [0]\n");
    harness::region() = pattern(4096);
    testing::internal::CaptureStdout();
    print_register_image(bare, harness::read_region, 0, 4096);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(register_names(out),
              (std::vector<std::string>{"CTRL0", "TIME_PARAM0", "TIME_PARAM1", "MATRIX_SIZE",
                                        "KEYBOARD_PACKET", "LOW_POWER", "LPBACK_KSI", "STATUS",
                                        "INTERRUPTS", "INTERRUPT_MASK", "INTERRUPT_CLEAR", "DEBUG",
                                        "DEBUG2", "CORE_ID"}));
    EXPECT_NE(out.find("LPBACK_KSI = [0x5b5a5958]\n"), std::string::npos);
}
