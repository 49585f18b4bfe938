// MISC_CAL: GADC gains and offsets, PMU words, transmit gain offset.
#include "dump/cal/misc.h"

#include "common/bytes.h"
#include "dump/cal/rat_approx.h"
#include "dump/settings.h"

#include <algorithm>
#include <bit>
#include <cstdio>

namespace imgforge {

namespace {

constexpr size_t misc_cal_size = 144;
constexpr int gadc_channels = 12;
constexpr int gadc_entries = 2;
constexpr int64_t gain_max_denom = 100000;

// The dispatcher prefix "@%04x MISC_CAL " plus "GADC_GAIN_OFFSET=  ".
constexpr const char *channel_indent = "                                  ";

// Each appears once the content reaches into it.
constexpr named_field trailing_fields[] = {
    {"PSEQ_XTAL_BITS1", 96, 4, false}, {"PMU_TOP_PMU2A", 100, 4, false},
    {"PMU_TOP_PMU3", 104, 4, false},   {"PMU_TOP_PMU4", 108, 4, false},
    {"tx_gain_offset", 112, 1, true},  {"misc", 113, 1, false},
};
constexpr field_layout trailing_layout = make_layout(trailing_fields, misc_cal_size, 0);

struct gadc_value {
    float gain;
    int64_t num, denom;
};

struct gadc_table {
    gadc_value value[gadc_channels][gadc_entries];
    int num_width[gadc_entries] = {};
    int denom_width[gadc_entries] = {};
};

uint32_t gadc_word(const uint8_t *rec, int channel, int entry)
{
    return le32(rec + 8 * channel + 4 * entry);
}

// Sign bit 18, exponent 17:12 (bias 31), fraction 11:0: moved into the
// fields of a single-precision float, exponent rebased to bias 127.
float gadc_gain(uint32_t word)
{
    uint32_t sign = (word >> 18) & 1;
    uint32_t exponent = (word >> 12) & 0x3F;
    uint32_t fraction = word & 0xFFF;
    return std::bit_cast<float>(sign << 31 | (exponent + 96) << 23 | fraction << 11);
}

// Bits 31:19, two's complement, in half units.
float gadc_offset(uint32_t word)
{
    int32_t raw = int32_t(word >> 19);
    if (raw & 0x1000)
        raw -= 0x2000;
    return float(raw) * 0.5f;
}

int lld_width(int64_t v)
{
    return std::snprintf(nullptr, 0, "%lld", static_cast<long long>(v));
}

// First pass: every fraction, and the column widths of each entry.
void decode_gadc(const uint8_t *rec, gadc_table &t)
{
    for (int j = 0; j < gadc_entries; j++) {
        for (int c = 0; c < gadc_channels; c++) {
            gadc_value &v = t.value[c][j];
            v.gain = gadc_gain(gadc_word(rec, c, j));
            rat_approx(double(v.gain), gain_max_denom, v.num, v.denom);
            t.num_width[j] = std::max(t.num_width[j], lld_width(v.num));
            t.denom_width[j] = std::max(t.denom_width[j], lld_width(v.denom));
        }
    }
}

void print_gadc_channel(const text_sink &out, const uint8_t *rec, const gadc_table &t, int c)
{
    if (c)
        out.write(channel_indent);
    out.printf("channel %2d: ", c);
    for (int j = 0; j < gadc_entries; j++) {
        const gadc_value &v = t.value[c][j];
        if (j)
            out.write("   |   ");
        out.printf("[%d]: ", j);
        out.printf("%8.2f, %*lld/%-*lld", double(gadc_offset(gadc_word(rec, c, j))), t.num_width[j],
                   static_cast<long long>(v.num), t.denom_width[j],
                   static_cast<long long>(v.denom));
        out.printf("(%10.3e)", double(v.gain));
    }
    out.put('\n');
}

} // namespace

int pretty_MISC_CAL_content(const record_reader &read, uint32_t addr, uint16_t len, walk_args &args)
{
    uint8_t rec[misc_cal_size];
    read_zero_filled(read, addr, len, rec, sizeof rec);
    args.out.write("GADC_GAIN_OFFSET=  ");
    gadc_table t;
    decode_gadc(rec, t);
    for (int c = 0; c < gadc_channels; c++)
        print_gadc_channel(args.out, rec, t, c);
    print_fields(args.out, rec, len, trailing_layout);
    return 0;
}

} // namespace imgforge
