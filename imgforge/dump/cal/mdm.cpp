// Field layouts of the modem registers and the MDM_CAL decoder.
#include "dump/cal/mdm.h"

namespace imgforge {

namespace {

// AGCMEAS
constexpr cal_field agcmeas[] = {
    {"twomeg_det_min", 29, 23, 2},
    {"twomeg_rssi_offset", 22, 15, 2},
    {"det_min", 14, 8, 2},
    {"rssi_offset", 7, 0, 2},
};
// AGCGAIN
constexpr cal_field agcgain[] = {
    {"pd_quick_drop", 20, 14, 2},
    {"adc_quick_drop", 13, 7, 2},
    {"start", 6, 0, 2},
};
// DCOFF
constexpr cal_field dcoff[] = {
    {"forced_q", 16, 9, 2},
    {"forced_i", 8, 1, 2},
    {"force", 0, 0, 2},
};
// IQCORR
constexpr cal_field iqcorr[] = {
    {"twomeg_phase_corr", 25, 20, 2},
    {"twomeg_ampl_corr", 19, 14, 2},
    {"twomeg_enable_iqcorr", 13, 13, 2},
    {"phase_corr", 12, 7, 2},
    {"ampl_corr", 6, 1, 2},
    {"enable_iqcorr", 0, 0, 2},
};
// AGCSAT, AGCINITSAT, AGCPWRSTEPSAT
constexpr cal_field agcsat[] = {
    {"check_thr_low", 23, 16, 2},
    {"check_thr_high", 15, 8, 2},
    {"thr_cnt", 7, 4, 2},
    {"check_win", 3, 0, 2},
};
// AGCPWR
constexpr cal_field agcpwr[] = {
    {"twomeg_inband_target", 27, 21, 2},
    {"fir_target", 20, 14, 2},
    {"adc_max_target", 13, 7, 2},
    {"inband_target", 6, 0, 2},
};
// AGCPWR2
constexpr cal_field agcpwr2[] = {
    {"pwr_ratio_for_det_step_delta_enable", 29, 29, 2},
    {"rssi_thr_to_force_ffe", 28, 21, 2},
    {"baseline_blk_pwr_offset", 20, 15, 2},
    {"det_step_delta", 14, 11, 2},
    {"det_base", 10, 9, 2},
    {"det_num_trig", 8, 7, 2},
    {"det_step", 6, 2, 2},
    {"meas_win", 1, 0, 2},
};
// AGCTIME, TWOMEG_AGCTIME
constexpr cal_field agctime[] = {
    {"filt_settle", 31, 25, 2},       {"sync_demod_delay", 24, 18, 2},
    {"power_settle_weak", 17, 12, 2}, {"power_settle_strong", 11, 6, 2},
    {"gain_settle", 5, 0, 2},
};
// AGCTIME2
constexpr cal_field agctime2[] = {
    {"twomeg_reset_filt_delay", 30, 25, 2},
    {"reset_filt_delay", 24, 19, 2},
    {"init_sat_time", 18, 11, 2},
    {"rx_en_to_search", 10, 0, 4},
};
// AGCCNTL
constexpr cal_field agccntl[] = {
    {"enable_init_sat_after_restart", 29, 29, 2},
    {"twomeg_fast_non_gain_change", 28, 28, 2},
    {"twomeg_bypass_agc_filt", 27, 27, 2},
    {"twomeg_bypass_rxfir", 26, 26, 2},
    {"twomeg_use_next_meas_for_fine", 25, 25, 2},
    {"fast_non_gain_change", 24, 24, 2},
    {"bypass_agc_filt", 23, 23, 2},
    {"bypass_rxfir", 22, 22, 2},
    {"use_next_meas_for_fine", 21, 21, 2},
    {"reset_sat_on_gain_change_pending", 20, 20, 2},
    {"peaksat_during_pending_gain_change", 19, 19, 2},
    {"bypass_agc", 18, 18, 2},
    {"forced_rxgain_value", 17, 11, 2},
    {"force_rxgain", 10, 10, 2},
    {"rssi_meas_after_freqest", 9, 9, 2},
    {"gain_change_on_rssi_meas", 8, 8, 2},
    {"max", 7, 1, 2},
    {"enable_peakdet", 0, 0, 2},
};
// SYNCH
constexpr cal_field synch[] = {
    {"num_time_avg", 30, 28, 2},
    {"freq_forced_value", 27, 15, 4},
    {"freq_force_initial", 14, 14, 2},
    {"enable_time_track", 13, 13, 2},
    {"ph_reg_thr3", 12, 10, 2},
    {"ph_reg_thr2", 9, 7, 2},
    {"ph_reg_thr", 6, 4, 2},
    {"pg", 3, 2, 2},
    {"num_exp", 1, 0, 2},
};
// TIMETRACK
constexpr cal_field timetrack[] = {
    {"byte_count2", 15, 8, 2},
    {"byte_count", 7, 0, 2},
};
// TIMESYNC
constexpr cal_field timesync[] = {
    {"coded_min_thr", 31, 24, 2},
    {"uncoded_min_thr", 23, 16, 2},
    {"twomeg_rssi_thr", 15, 8, 2},
    {"rssi_thr", 7, 0, 2},
};
// SYNCDEMOD
constexpr cal_field syncdemod[] = {
    {"spare", 9, 5, 2},
    {"twomeg_mf_lookback", 4, 4, 2},
    {"mf_lookback", 3, 3, 2},
    {"coded_find_two_peaks", 2, 2, 2},
    {"twomeg_find_two_peaks", 1, 1, 2},
    {"find_two_peaks", 0, 0, 2},
};
// TSTIMEOUT
constexpr cal_field tstimeout[] = {
    {"twomeg_en", 31, 31, 2},         {"coded_en", 30, 30, 2},        {"en", 29, 29, 2},
    {"twomeg_numsamples", 28, 19, 4}, {"coded_numsamples", 18, 9, 4}, {"numsamples", 8, 0, 4},
};
// DEMOD
constexpr cal_field demod[] = {
    {"coded_max_phase_diff", 31, 26, 2},         {"coded_sat_phase_diff", 25, 25, 2},
    {"twomeg_max_pwr_ratio_for_ffe", 24, 17, 2}, {"adjust_sat_for_freq_offset", 16, 16, 2},
    {"uncoded_max_phase_diff", 15, 10, 2},       {"uncoded_sat_phase_diff", 9, 9, 2},
    {"max_pwr_ratio_for_ffe", 8, 1, 2},          {"enable_ffe", 0, 0, 2},
};
// DFEWITHFFE, TWOMEG_DFEWITHFFE, TWOMEG_DFEWITHOUTFFE
constexpr cal_field dfewithffe[] = {
    {"adjust3", 23, 16, 2},
    {"adjust2", 15, 8, 2},
    {"adjust1", 7, 0, 2},
};
// DFEWITHOUTFFE
constexpr cal_field dfewithoutffe[] = {
    {"coded_en", 24, 24, 2},
    {"adjust3", 23, 16, 2},
    {"adjust2", 15, 8, 2},
    {"adjust1", 7, 0, 2},
};
// FREQ
constexpr cal_field freq[] = {
    {"mu_count2", 29, 22, 2},
    {"mu_count1", 21, 14, 2},
    {"pat_dly", 13, 11, 2},
    {"mu3", 10, 8, 2},
    {"mu2", 7, 5, 2},
    {"mu1", 4, 2, 2},
    {"enable_same_pat", 1, 1, 2},
    {"enable_track", 0, 0, 2},
};
// FREQLIM
constexpr cal_field freqlim[] = {
    {"minwithoutffe", 31, 25, 2},
    {"maxwithoutffe", 24, 16, 4},
    {"minwithffe", 15, 9, 2},
    {"maxwithffe", 8, 0, 4},
};
// LR
constexpr cal_field lr[] = {
    {"corr_thresh_low", 29, 22, 2}, {"corr_thresh_high", 21, 13, 4},
    {"num_corr_avg", 12, 8, 2},     {"num_corr_win", 7, 4, 2},
    {"synch_num_exp", 3, 2, 2},     {"synch_detect_num_exp", 1, 0, 2},
};
// MIXER
constexpr cal_field mixer[] = {
    {"twomeg_low_if_freq", 27, 14, 4},
    {"low_if_freq", 13, 0, 4},
};
// ACCESS_ADDRESS
constexpr cal_field access_address[] = {
    {"uncoded_bit_count_timeout", 31, 24, 2},
    {"coded_bit_count_timeout", 23, 12, 4},
    {"enable_uncoded_timeout", 11, 11, 2},
    {"enable_coded_timeout", 10, 10, 2},
    {"lsb_auto_match", 9, 6, 2},
    {"match_thr", 5, 0, 2},
};
// FIR
constexpr cal_field fir[] = {
    {"coded_select", 16, 16, 2}, {"twomeg_select", 15, 15, 2}, {"select", 14, 14, 2},
    {"c14_2", 13, 7, 2},         {"c14_1", 6, 0, 2},
};
// FFE1, TWOMEG_FFE1
constexpr cal_field ffe1[] = {
    {"c4", 29, 24, 2}, {"c3", 23, 18, 2}, {"c2", 17, 12, 2}, {"c1", 11, 6, 2}, {"c0", 5, 0, 2},
};
// FFE2, TWOMEG_FFE2
constexpr cal_field ffe2[] = {
    {"c9", 29, 24, 2}, {"c8", 23, 18, 2}, {"c7", 17, 12, 2}, {"c6", 11, 6, 2}, {"c5", 5, 0, 2},
};
// FFE3, TWOMEG_FFE3
constexpr cal_field ffe3[] = {
    {"c14", 29, 24, 2}, {"c13", 23, 18, 2}, {"c12", 17, 12, 2}, {"c11", 11, 6, 2}, {"c10", 5, 0, 2},
};
// FFE4, TWOMEG_FFE4
constexpr cal_field ffe4[] = {
    {"c19", 29, 24, 2}, {"c18", 23, 18, 2}, {"c17", 17, 12, 2}, {"c16", 11, 6, 2}, {"c15", 5, 0, 2},
};
// FFE5, TWOMEG_FFE5
constexpr cal_field ffe5[] = {
    {"c24", 29, 24, 2}, {"c23", 23, 18, 2}, {"c22", 17, 12, 2}, {"c21", 11, 6, 2}, {"c20", 5, 0, 2},
};
// FFE6, TWOMEG_FFE6
constexpr cal_field ffe6[] = {
    {"c29", 29, 24, 2}, {"c28", 23, 18, 2}, {"c27", 17, 12, 2}, {"c26", 11, 6, 2}, {"c25", 5, 0, 2},
};
// FFE7, TWOMEG_FFE7
constexpr cal_field ffe7[] = {
    {"c31", 11, 6, 2},
    {"c30", 5, 0, 2},
};
// PMODE
constexpr cal_field pmode[] = {
    {"cntl", 1, 0, 2},
};
// DCCAL
constexpr cal_field dccal[] = {
    {"iq_ratio_twomeg", 31, 24, 2},
    {"iq_ratio", 23, 16, 2},
    {"tia_msb", 14, 12, 2},
    {"srch_bit_cnt", 10, 8, 2},
    {"avg_cnt_exp", 7, 4, 2},
    {"avg_only", 2, 2, 2},
    {"start", 1, 1, 2},
    {"byp", 0, 0, 2},
};
// DCCAL2
constexpr cal_field dccal2[] = {
    {"rf_tia_sttl_cnt_twomeg", 21, 16, 2},
    {"rf_tia_sttl_cnt", 13, 8, 2},
    {"rf_post_dccal_sttl_cnt", 5, 0, 2},
};
// DCOFFTRK
constexpr cal_field dcofftrk[] = {
    {"corr_delay_idx", 26, 24, 2},
    {"mu_count2", 23, 18, 2},
    {"mu_count1", 17, 12, 2},
    {"mu3", 11, 9, 2},
    {"mu2", 8, 6, 2},
    {"mu1", 5, 3, 2},
    {"corr_syncdemod_en", 2, 2, 2},
    {"corr_agc_en", 1, 1, 2},
    {"en", 0, 0, 2},
};
// DCOFFTRK2
constexpr cal_field dcofftrk2[] = {
    {"twomeg_reset_filt_delay", 11, 6, 2},
    {"reset_filt_delay", 5, 0, 2},
};
// DCCALRESULTS
constexpr cal_field dccalresults[] = {
    {"tia_i_off", 13, 8, 2},
    {"tia_q_off", 5, 0, 2},
};
// DCCALRESULTS2
constexpr cal_field dccalresults2[] = {
    {"avg_i", 23, 16, 2},
    {"avg_q", 15, 8, 2},
    {"done", 0, 0, 2},
};
// AGCSTATUS
constexpr cal_field agcstatus[] = {
    {"restart_sync_demod", 18, 18, 2}, {"initial_sat", 17, 17, 2}, {"peak_detected", 16, 16, 2},
    {"sat_detected", 15, 15, 2},       {"rxgain", 14, 8, 2},       {"rssi", 7, 0, 2},
};
// MEASFREQ
constexpr cal_field measfreq[] = {
    {"dcofftrk_q", 28, 21, 2},
    {"dcofftrk_i", 20, 13, 2},
    {"freq_offset", 12, 0, 4},
};
// DEBUG
constexpr cal_field debug[] = {
    {"select", 4, 0, 2},
};
// LC2LC
constexpr cal_field lc2lc[] = {
    {"cntl", 0, 0, 2},
};
// ERR_INJ
constexpr cal_field err_inj[] = {
    {"lfsr_seed", 16, 1, 4},
    {"en", 0, 0, 2},
};
// CORE_ID
constexpr cal_field core_id[] = {
    {"core_id", 31, 0, 8},
};

constexpr cal_layout mdm_layouts[] = {
    {0x000, 1, agcmeas},      {0x004, 1, agcgain},
    {0x008, 1, dcoff},        {0x00C, 1, iqcorr},
    {0x010, 3, agcsat},       {0x01C, 1, agcpwr},
    {0x020, 1, agcpwr2},      {0x024, 2, agctime},
    {0x02C, 1, agctime2},     {0x030, 1, agccntl},
    {0x034, 1, synch},        {0x038, 1, timetrack},
    {0x03C, 1, timesync},     {0x040, 1, syncdemod},
    {0x044, 1, tstimeout},    {0x048, 1, demod},
    {0x04C, 1, dfewithffe},   {0x050, 1, dfewithoutffe},
    {0x054, 2, dfewithffe},   {0x05C, 1, freq},
    {0x060, 1, freqlim},      {0x064, 1, lr},
    {0x068, 1, mixer},        {0x06C, 1, access_address},
    {0x070, 1, fir},          {0x074, 1, ffe1},
    {0x078, 1, ffe2},         {0x07C, 1, ffe3},
    {0x080, 1, ffe4},         {0x084, 1, ffe5},
    {0x088, 1, ffe6},         {0x08C, 1, ffe7},
    {0x090, 1, ffe1},         {0x094, 1, ffe2},
    {0x098, 1, ffe3},         {0x09C, 1, ffe4},
    {0x0A0, 1, ffe5},         {0x0A4, 1, ffe6},
    {0x0A8, 1, ffe7},         {0x0AC, 1, pmode},
    {0x0B0, 1, dccal},        {0x0B4, 1, dccal2},
    {0x0B8, 1, dcofftrk},     {0x0BC, 1, dcofftrk2},
    {0x0C0, 1, dccalresults}, {0x0C4, 1, dccalresults2},
    {0x0C8, 1, agcstatus},    {0x0CC, 1, measfreq},
    {0x0D0, 1, debug},        {0x0D4, 1, lc2lc},
    {0x0D8, 1, err_inj},      {0xFFC, 1, core_id},
};

} // namespace

constexpr cal_block mdm_cal_block{&CMSDK_MDM, mdm_layouts};

int pretty_MDM_CAL_content(const record_reader &read, uint32_t addr, uint16_t len, walk_args &args)
{
    return print_register_image(args.out, mdm_cal_block, read, addr, len);
}

} // namespace imgforge
