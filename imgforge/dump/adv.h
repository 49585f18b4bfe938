// Decoded dump of the advertising records: activity start and create
// commands, restart duration, and advertising / scan-response payloads.
#ifndef IMGFORGE_DUMP_ADV_H
#define IMGFORGE_DUMP_ADV_H

#include "dump/forms.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace imgforge {

// Record layouts, byte for byte (multi-byte fields little-endian).
struct act_strt_cmd {
    uint8_t duration[2]; // units of 10 ms
    uint8_t max_adv_evt;
};
static_assert(sizeof(act_strt_cmd) == 3);

struct adv_param {
    uint8_t type;
    uint8_t disc_mode;
    uint8_t prop[2];
    uint8_t max_tx_pwr; // signed dBm
    uint8_t filter_pol;
    uint8_t peer_addr[6];
    uint8_t peer_addr_ty;
    uint8_t pad0[3];
    uint8_t prim_adv_intv_min[4]; // units of 625 us
    uint8_t prim_adv_intv_max[4];
    uint8_t prim_chnl_map;
    uint8_t prim_phy;
    uint8_t pad1[2];
    uint8_t second_max_skip;
    uint8_t second_phy;
    uint8_t second_adv_sid;
    uint8_t pad2;
    uint8_t period_adv_intv_min[2]; // units of 1.25 ms
    uint8_t period_adv_intv_max[2];
};
static_assert(sizeof(adv_param) == 36);

struct act_crt_cmd {
    uint8_t own_addr_type;
    uint8_t pad[2];
    adv_param adv;
};
static_assert(sizeof(act_crt_cmd) == 39);

// Interval texts: "0us"/"0ms", whole seconds, milliseconds or microseconds.
inline constexpr size_t intv_str_size = 24;
using intv_text = char[intv_str_size];
const char *adv_intv_to_str(uint32_t value, intv_text &buf);        // value x 625 us
const char *period_adv_intv_to_str(uint32_t value, intv_text &buf); // value x 1250 us

// Print to out; both return 0.
int show_act_crt_cmd(const text_sink &out, const act_crt_cmd &cmd);
int show_adv_param(const text_sink &out, const adv_param &param);

// One AD structure: length byte L, type, L - 1 data bytes.
struct ad_rec {
    uint8_t type;
    uint8_t len; // data length
    const uint8_t *data;
};
// Splits the structure at bytes (at least two bytes must be readable).
// Returns -1 for a length byte of 0, else the structure size L + 1.
int read_rec(ad_rec &out, const uint8_t *bytes);

// Printers of AD data by AD type; non-zero on an unrecognised identifier.
using ad_printer = int (*)(const text_sink &out, const uint8_t *data, uint8_t len, uint8_t ad_type);
int printer_default(const text_sink &out, const uint8_t *data, uint8_t len, uint8_t ad_type);
int show_svc_list(const text_sink &out, const uint8_t *data, uint8_t len, uint8_t ad_type);
int show_svc_data(const text_sink &out, const uint8_t *data, uint8_t len, uint8_t ad_type);
int show_sh_lname(const text_sink &out, const uint8_t *data, uint8_t len, uint8_t ad_type);
int show_ct_lname(const text_sink &out, const uint8_t *data, uint8_t len, uint8_t ad_type);

// A known service: identifier bytes at the start of the AD data, the display
// name, and the printer of the data after the identifier (or none).
using service_printer = int (*)(const text_sink &out, const uint8_t *data, uint8_t len);
struct service_desc {
    std::span<const uint8_t> id;
    const char *name;
    service_printer printer;
};
// 0 when the data start with svc.id (then printed by svc), else 1 after the
// "unknown <label> ID" text.
int show_aux(const text_sink &out, const uint8_t *data, uint8_t len, const service_desc &svc,
             const char *label);

// An Eddystone-URL frame; a URL without a top-level domain is also warned
// about in out.messages().
int show_eddystone_data(const text_sink &out, const uint8_t *data, uint8_t len);
int show_eddystone_local_name(const text_sink &out, const uint8_t *data, uint8_t len);

// Decodes an advertising payload to out, its framing errors to
// out.messages(); returns the number of errors met.
int pretty_APP_BLE_DATA_content_aux(const record_reader &read, uint32_t addr, uint16_t len,
                                    const text_sink &out);

// Content decoders of the dump.
int pretty_ACT_STRT_CMD_content(const record_reader &read, uint32_t addr, uint16_t len,
                                walk_args &args);
int pretty_RSTRT_DUR_content(const record_reader &read, uint32_t addr, uint16_t len,
                             walk_args &args);
int pretty_ACT_CRT_CMD_content(const record_reader &read, uint32_t addr, uint16_t len,
                               walk_args &args);
int pretty_APP_BLE_DATA_content(const record_reader &read, uint32_t addr, uint16_t len,
                                walk_args &args);

} // namespace imgforge

#endif
