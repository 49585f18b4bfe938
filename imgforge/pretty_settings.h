// Decoded dump of the power, sleep and application-setting tags, and the
// printer of records made of named fields.
#ifndef IMGFORGE_PRETTY_SETTINGS_H
#define IMGFORGE_PRETTY_SETTINGS_H

#include "pretty.h"

#include <cstddef>
#include <cstdint>

namespace imgforge {

// One field of a little-endian record, printed as "name=%#x".
struct named_field {
    const char *name;
    uint8_t offset;
    uint8_t width;  // 1, 2 or 4 bytes
    bool is_signed; // widened to 32 bits with its sign
};

// A record of named fields. Field i is printed when i < always_shown or the
// record length passes its offset; every printed field but the table's last
// is followed by ','.
struct field_layout {
    const named_field *fields;
    size_t count;
    size_t size; // of the structure the record is read into
    size_t always_shown;
};

// Builds a layout at compile time; a field outside the structure does not
// compile.
template <size_t N>
consteval field_layout make_layout(const named_field (&fields)[N], size_t size, size_t always_shown)
{
    for (const named_field &f : fields)
        if (f.offset + f.width > size)
            throw "field outside the record";
    return {fields, N, size, always_shown};
}

// Prints the fields of a record already read into rec (layout.size bytes).
void print_fields(const uint8_t *rec, uint16_t len, const field_layout &layout);

// The one-value tags: reads the value (1, 2 or 4 bytes, little-endian, the
// record's length) and prints it as an unsigned int with args.format.
int pretty_value_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &args);

int pretty_MAX_SLEEP_DUR_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &args);
// OSC_WAKEUP_TIME, RM_WAKEUP_TIME.
int pretty_OSC_WAKEUP_TIME_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &args);
// MOUSE_TIMEOUT, MOUSE_ENERGY_SAFE.
int pretty_MOUSE_TIMEOUT_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &args);
int pretty_SCHED_SCAN_DUR_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &args);
int pretty_SLEEP_ENABLE_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &args);
// Checks the length itself; returns 1 after a message on standard error.
int pretty_EXT_WAKEUP_ENABLE_content(nvds_read_fn read, uint32_t addr, uint16_t len,
                                     walk_args &args);
// ACTIVITY_MOVE_CONFIG, SCAN_EXT_ADV.
int pretty_ACTIVITY_MOVE_CONFIG_content(nvds_read_fn read, uint32_t addr, uint16_t len,
                                        walk_args &args);
int pretty_LE_DBG_FIXED_P256_KEY_content(nvds_read_fn read, uint32_t addr, uint16_t len,
                                         walk_args &args);
int pretty_LE_CODED_PHY_500_content(nvds_read_fn read, uint32_t addr, uint16_t len,
                                    walk_args &args);
int pretty_PROG_DELAY_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &args);
int pretty_SLEEP_ALGO_DUR_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &args);
// Prints nothing for a record longer than 2 bytes.
int pretty_FLASH_POWERUP_DELAY_content(nvds_read_fn read, uint32_t addr, uint16_t len,
                                       walk_args &args);
// HIBERNATE_ADJ, RETAIN_ADJ, SLEEP_MIN.
int pretty_HIBERNATE_ADJ_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &args);

// DIAG_BLE_HW, DIAG_SW.
int pretty_DIAG_BLE_HW_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &args);
int pretty_MOUSE_NTF_CFG_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &args);
// SCAN_SETTING, WURX_PROFILE: field names chosen by args.tag.
int pretty_SCAN_SETTING_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &args);
int pretty_BLE_RADIO_OVR_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &args);
int pretty_PMU_WURX_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &args);
int pretty_CUST_CFG_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &args);

// Writes the record to the -o file (args.arg), or prints "<blob>" without
// one. A file failure is reported, sets *args.file_failed and returns 1.
int pretty_USER_APP_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &args);

} // namespace imgforge

#endif
