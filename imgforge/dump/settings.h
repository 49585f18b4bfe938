// Decoded dump of the power, sleep and application-setting tags.
#ifndef IMGFORGE_DUMP_SETTINGS_H
#define IMGFORGE_DUMP_SETTINGS_H

#include "dump/forms.h"

#include <cstddef>
#include <cstdint>

namespace imgforge {

// The one-value tags: reads the value (1, 2 or 4 bytes, little-endian, the
// record's length) and prints it as an unsigned int with args.format.
int pretty_value_content(const record_reader &read, uint32_t addr, uint16_t len, walk_args &args);

int pretty_MAX_SLEEP_DUR_content(const record_reader &read, uint32_t addr, uint16_t len,
                                 walk_args &args);
// OSC_WAKEUP_TIME, RM_WAKEUP_TIME.
int pretty_OSC_WAKEUP_TIME_content(const record_reader &read, uint32_t addr, uint16_t len,
                                   walk_args &args);
// MOUSE_TIMEOUT, MOUSE_ENERGY_SAFE.
int pretty_MOUSE_TIMEOUT_content(const record_reader &read, uint32_t addr, uint16_t len,
                                 walk_args &args);
int pretty_SCHED_SCAN_DUR_content(const record_reader &read, uint32_t addr, uint16_t len,
                                  walk_args &args);
int pretty_SLEEP_ENABLE_content(const record_reader &read, uint32_t addr, uint16_t len,
                                walk_args &args);
// Checks the length itself; returns 1 after a message in args.out.messages().
int pretty_EXT_WAKEUP_ENABLE_content(const record_reader &read, uint32_t addr, uint16_t len,
                                     walk_args &args);
// ACTIVITY_MOVE_CONFIG, SCAN_EXT_ADV.
int pretty_ACTIVITY_MOVE_CONFIG_content(const record_reader &read, uint32_t addr, uint16_t len,
                                        walk_args &args);
int pretty_LE_DBG_FIXED_P256_KEY_content(const record_reader &read, uint32_t addr, uint16_t len,
                                         walk_args &args);
int pretty_LE_CODED_PHY_500_content(const record_reader &read, uint32_t addr, uint16_t len,
                                    walk_args &args);
int pretty_PROG_DELAY_content(const record_reader &read, uint32_t addr, uint16_t len,
                              walk_args &args);
int pretty_SLEEP_ALGO_DUR_content(const record_reader &read, uint32_t addr, uint16_t len,
                                  walk_args &args);
// Prints nothing for a record longer than 2 bytes.
int pretty_FLASH_POWERUP_DELAY_content(const record_reader &read, uint32_t addr, uint16_t len,
                                       walk_args &args);
// HIBERNATE_ADJ, RETAIN_ADJ, SLEEP_MIN.
int pretty_HIBERNATE_ADJ_content(const record_reader &read, uint32_t addr, uint16_t len,
                                 walk_args &args);

// DIAG_BLE_HW, DIAG_SW.
int pretty_DIAG_BLE_HW_content(const record_reader &read, uint32_t addr, uint16_t len,
                               walk_args &args);
int pretty_MOUSE_NTF_CFG_content(const record_reader &read, uint32_t addr, uint16_t len,
                                 walk_args &args);
// SCAN_SETTING, WURX_PROFILE: field names chosen by args.tag.
int pretty_SCAN_SETTING_content(const record_reader &read, uint32_t addr, uint16_t len,
                                walk_args &args);
int pretty_BLE_RADIO_OVR_content(const record_reader &read, uint32_t addr, uint16_t len,
                                 walk_args &args);
int pretty_PMU_WURX_content(const record_reader &read, uint32_t addr, uint16_t len,
                            walk_args &args);
int pretty_CUST_CFG_content(const record_reader &read, uint32_t addr, uint16_t len,
                            walk_args &args);

// Writes the record to the -o file (args.arg, through *args.env), or prints
// "<blob>" without one. A file failure is reported in args.out.messages()
// (a short write in args.out), sets *args.file_failed and returns 1.
int pretty_USER_APP_content(const record_reader &read, uint32_t addr, uint16_t len,
                            walk_args &args);

} // namespace imgforge

#endif
