// Field layouts of the radio-interface registers and the RIF_CAL decoder.
#include "dump/cal/rif.h"

namespace imgforge {

namespace {

// BIAS
constexpr cal_field bias[] = {
    {"rbias", 5, 0, 2},
};
// RXBBF_1M, RXBBF_2M
constexpr cal_field rxbbf_1m[] = {
    {"tia_rtrim", 26, 24, 2}, {"tia_ctune", 23, 16, 2}, {"rcc_rtrim", 15, 12, 2},
    {"rc_ctune", 11, 6, 2},   {"notch_ctune", 5, 0, 2},
};
// RXDC8
constexpr cal_field rxdc8[] = {
    {"bb2i_dcoc", 9, 5, 2},
    {"bb2q_dcoc", 4, 0, 2},
};
// SYNTX0
constexpr cal_field syntx0[] = {
    {"synth_spare", 31, 29, 2},
    {"cpLkIntLow", 28, 28, 2},
    {"loifdiv", 27, 26, 2},
    {"txmodRelPathDelay", 25, 23, 2},
    {"txmodDelayHF", 22, 22, 2},
    {"txmodGain2M", 21, 18, 2},
    {"txmodGain", 17, 14, 2},
    {"vcrefMi", 13, 12, 2},
    {"stateLength_CloseLoop_x2u", 11, 9, 2},
    {"stateLength_CapSearchCount_x1u", 8, 6, 2},
    {"stateLength_CapSearchGetReady_x250n", 5, 3, 2},
    {"stateLength_PowerOnWait_x4u", 2, 0, 2},
};
// TXGAIN0, TXGAIN1: entry 4k+3 down to 4k
constexpr cal_field txgain[] = {
    {"entry", 31, 24, 2},
    {"entry", 23, 16, 2},
    {"entry", 15, 8, 2},
    {"entry", 7, 0, 2},
};
// RXGAIN0 to RXGAIN13: entry 3n+2 down to 3n
constexpr cal_field rxgain[] = {
    {"entry", 29, 20, 4},
    {"entry", 19, 10, 4},
    {"entry", 9, 0, 4},
};
// SYNTX1, SYNTX2, SYNTX3: every name carries the register's suffix
constexpr const char *syntx_suffixes[] = {"_tx1", "_tx2", "_rx"};
constexpr cal_field syntx[] = {
    {"filtR3", 31, 28, 2}, {"filtRs", 27, 24, 2},
    {"filtC", 23, 22, 2},  {"cpLk", 21, 18, 2},
    {"cpCur", 17, 14, 2},  {"cpBias", 13, 10, 2},
    {"vcoBias", 9, 6, 2},  {"vcoAgcEnGain", 5, 3, 2},
    {"vcoAgcEn", 2, 2, 2}, {"loopReferenceFrequency", 1, 0, 2},
};
// SYNTX4
constexpr cal_field syntx4[] = {
    {"fast_mod_ramp_up", 24, 24, 2}, {"fast_mod_ramp_down", 23, 23, 2}, {"mod_idx", 22, 15, 2},
    {"vcoGain_rx", 14, 12, 2},       {"vcoGain_tx2", 11, 9, 2},         {"vcoGain_tx1", 8, 6, 2},
    {"vcoCapsCoarse_rx", 5, 3, 2},   {"vcoCapsCoarse_tx", 2, 0, 2},
};
// RX0
constexpr cal_field rx0[] = {
    {"rx_sparebits", 21, 20, 2},      {"vcm_ctrl", 19, 17, 2}, {"sel_ictiadcoc", 16, 14, 2},
    {"sel_icmix", 13, 11, 2},         {"lna_ctune", 10, 8, 2}, {"rffe_match_ctune_tx", 7, 4, 2},
    {"rffe_match_ctune_rx", 3, 0, 2},
};
// TIMER0
constexpr cal_field timer0[] = {
    {"txoff_time", 31, 26, 2},
    {"txon_time", 25, 16, 4},
    {"synthoff_time", 15, 10, 2},
    {"synthon_time", 9, 0, 4},
};
// TIMER1
constexpr cal_field timer1[] = {
    {"rxoff_time", 31, 26, 2},
    {"rxon_time", 25, 16, 4},
    {"paoff_time", 15, 10, 2},
    {"paon_time", 9, 0, 4},
};
// TIMER2
constexpr cal_field timer2[] = {
    {"adcearlyoff_time", 31, 26, 2},
    {"adcearlyon_time", 25, 16, 4},
    {"adcoff_time", 15, 10, 2},
    {"adcon_time", 9, 0, 4},
};
// TIMER3
constexpr cal_field timer3[] = {
    {"xpaoff_time", 15, 10, 2},
    {"xpaon_time", 9, 0, 4},
};
// RXDC0 to RXDC5: entry k
constexpr cal_field rxdc[] = {
    {"entry", 23, 0, 8},
};
// RXDC7
constexpr cal_field rxdc7[] = {
    {"bb1_dcoc_uselut", 13, 13, 2},
    {"bb1_dcoc_ovr", 12, 12, 2},
    {"bb1i_dcoc", 11, 6, 2},
    {"bb1q_dcoc", 5, 0, 2},
};
// SYNTH_CHAN0
constexpr cal_field synth_chan0[] = {
    {"chan_int_rx_base", 23, 15, 4},
    {"chan_frac_rx_base", 14, 0, 4},
};
// SYNTH_CHAN1
constexpr cal_field synth_chan1[] = {
    {"chan_frac_sif", 20, 0, 8},
};
// SYNTH_CHAN2
constexpr cal_field synth_chan2[] = {
    {"chan_frac_lif1", 20, 0, 8},
};
// SYNTH_CHAN3
constexpr cal_field synth_chan3[] = {
    {"chan_frac_lif2", 20, 0, 8},
};
// SYNTH_CHAN4
constexpr cal_field synth_chan4[] = {
    {"high_side_lo", 27, 27, 2},
    {"sif_num", 26, 25, 2},
    {"chan_frac_tx_lsb", 24, 21, 2},
    {"chan_frac_cfo", 20, 0, 8},
};
// ADC_CNTL
constexpr cal_field adc_cntl[] = {
    {"clksample_ext_b", 11, 11, 2}, {"ref_ctrl", 10, 8, 2},  {"bias_ctrl", 7, 5, 2},
    {"edge_sel", 4, 4, 2},          {"invert_q", 3, 3, 2},   {"invert_i", 2, 2, 2},
    {"swap_iq", 1, 1, 2},           {"invert_msb", 0, 0, 2},
};
// MODE_CNTL
constexpr cal_field mode_cntl[] = {
    {"flash_suppresses_paon", 31, 31, 2},
    {"adcon_ovr", 30, 30, 2},
    {"adcon", 29, 29, 2},
    {"interleave_adc_iq", 28, 28, 2},
    {"select_ext", 27, 27, 2},
    {"radio_en_ovr", 26, 26, 2},
    {"radio_en", 25, 25, 2},
    {"rx_en_ovr", 24, 24, 2},
    {"rx_en", 23, 23, 2},
    {"tx_en_ovr", 22, 22, 2},
    {"tx_en", 21, 21, 2},
    {"chan_idx_ovr", 20, 20, 2},
    {"chan_idx", 19, 13, 2},
    {"rxgain_ovr", 12, 12, 2},
    {"rxgain", 11, 5, 2},
    {"tx_power_ovr", 4, 4, 2},
    {"tx_power", 3, 0, 2},
};
// CAL_CNTL
constexpr cal_field cal_cntl[] = {
    {"calfc", 3, 3, 2},
    {"caldc", 2, 2, 2},
    {"calrx", 1, 1, 2},
    {"caltx", 0, 0, 2},
};
// ID
constexpr cal_field id[] = {
    {"id", 31, 0, 8},
};

constexpr cal_layout rif_layouts[] = {
    {0x000, 1, bias},
    {0x004, 2, rxbbf_1m},
    {0x00C, 1, rxdc8},
    {0x010, 1, syntx0},
    {0x014, 2, txgain, cal_naming::numbered},
    {0x01C, 14, rxgain, cal_naming::numbered},
    {0x054, 3, syntx, cal_naming::suffixed, syntx_suffixes},
    {0x060, 1, syntx4},
    {0x064, 1, rx0},
    {0x068, 1, timer0},
    {0x06C, 1, timer1},
    {0x070, 1, timer2},
    {0x074, 1, timer3},
    {0x078, 6, rxdc, cal_naming::numbered},
    {0x090, 1, rxdc7},
    {0x094, 1, synth_chan0},
    {0x098, 1, synth_chan1},
    {0x09C, 1, synth_chan2},
    {0x0A0, 1, synth_chan3},
    {0x0A4, 1, synth_chan4},
    {0x0A8, 1, adc_cntl},
    {0x0AC, 1, mode_cntl},
    {0x0B0, 1, cal_cntl},
    {0xFFC, 1, id},
};

} // namespace

constexpr cal_block rif_cal_block{&CMSDK_RIF, rif_layouts};

int pretty_RIF_CAL_content(const record_reader &read, uint32_t addr, uint16_t len, walk_args &args)
{
    return print_register_image(args.out, rif_cal_block, read, addr, len);
}

} // namespace imgforge
