// Power, sleep, clock, mouse and register-override settings; USER_APP blob.
#include "dump/settings.h"

#include "common/bytes.h"
#include "common/files.h"
#include "error.h"

#include <cerrno>
#include <cstring>
#include <iterator>
#include <vector>

namespace imgforge {

namespace {

constexpr uint8_t tag_WURX_PROFILE = 0xA5;

// Reads a little-endian value of at most `width` bytes; bytes the record
// does not supply read as zero.
uint32_t read_value(const record_reader &read, uint32_t addr, uint16_t len, size_t width)
{
    uint8_t buf[4] = {};
    read_zero_filled(read, addr, len, buf, width < sizeof buf ? width : sizeof buf);
    return le32(buf);
}

const char *name_of(unsigned value, const char *const *names, size_t count)
{
    return value < count ? names[value] : nullptr;
}

// --- values shown whole when a multiple of a unit ---

struct unit_form {
    unsigned divisor;
    const char *whole;  // with value / divisor
    const char *part;   // otherwise
    bool part_in_units; // part printed as value / divisor in floating point
};

constexpr unit_form wakeup_form{1000, "%dms", "%dus", false};
constexpr unit_form mouse_time_form{100, "%ds", "%fs", true};
constexpr unit_form sched_scan_form{1250, "%uus", "%u", false};

int print_unit(const record_reader &read, uint32_t addr, uint16_t len, const text_sink &out,
               const unit_form &form)
{
    unsigned v = read_value(read, addr, len, 2);
    if (v % form.divisor == 0)
        out.printf(form.whole, v / form.divisor);
    else if (form.part_in_units)
        out.printf(form.part, double(v) / form.divisor);
    else
        out.printf(form.part, v);
    return 0;
}

// --- one-byte switches ---

struct switch_form {
    const char *format;
    const char *on[2];
    const char *off[2];
};

constexpr switch_form enabled_form{"%s", {"enabled", ""}, {"disabled", ""}};
constexpr switch_form true_form{"%s", {"true", ""}, {"false", ""}};
constexpr switch_form coded_phy_form{"%s (%s Kbps)", {"true", "500"}, {"false", "125"}};

int print_switch(const record_reader &read, uint32_t addr, uint16_t len, const text_sink &out,
                 const switch_form &form)
{
    const char *const *text = read_value(read, addr, len, 1) ? form.on : form.off;
    out.printf(form.format, text[0], text[1]);
    return 0;
}

// Cycles of the 32.768 kHz clock with their duration; v * 1000 in 64 bits.
void print_32k_cycles(const text_sink &out, int32_t v)
{
    out.printf("%d (%.2fus @ 32.768kHz)", v, double(int64_t(v) * 1000) / 32.768);
}

// --- records of named fields ---

// Largest structure a settings record is read into (BLE_RADIO_OVR).
constexpr size_t max_record_size = 48;

template <size_t N>
consteval field_layout layout(const named_field (&fields)[N], size_t size, size_t always_shown)
{
    if (size > max_record_size)
        throw "record larger than the read buffer";
    return make_layout(fields, size, always_shown);
}

// DIAG bytes are labelled by their index.
constexpr named_field diag_fields[] = {
    {"[0]", 0, 1, false}, {"[1]", 1, 1, false}, {"[2]", 2, 1, false}, {"[3]", 3, 1, false}};
constexpr named_field scan_para_fields[] = {
    {"scan_interval", 0, 2, false}, {"scan_window", 2, 2, false}, {"scan_duration", 4, 2, false}};
constexpr named_field wurx_fields[] = {{"wurx_scan_times", 0, 2, false},
                                       {"wurx_sleep_duration", 2, 2, false},
                                       {"wurx_long_duration", 4, 2, false}};
constexpr named_field radio_ovr_fields[] = {
    {"RADIOCNTL0", 0, 4, false},     {"RADIOCNTL1", 4, 4, false},
    {"RADIOCNTL2", 8, 4, false},     {"RADIOCNTL3", 12, 4, false},
    {"RADIOPWRUPDN0", 16, 4, false}, {"RADIOPWRUPDN1", 20, 4, false},
    {"RADIOPWRUPDN2", 24, 4, false}, {"RADIOPWRUPDN3", 28, 4, false},
    {"RADIOTXRXTIM0", 32, 4, false}, {"RADIOTXRXTIM1", 36, 4, false},
    {"RADIOTXRXTIM2", 40, 4, false}, {"RADIOTXRXTIM3", 44, 4, false}};
constexpr named_field pmu_wurx_fields[] = {
    {"WURX_GENERAL_REG_ADDR", 0, 4, false}, {"WURX0_0_REG_ADDR", 4, 4, false},
    {"WURX0_1_REG_ADDR", 8, 4, false},      {"WURX0_2_REG_ADDR", 12, 4, false},
    {"WURX0_3_REG_ADDR", 16, 4, false},     {"WURX0_4_REG_ADDR", 20, 4, false},
    {"WURX1_0_REG_ADDR", 24, 4, false},     {"WURX1_1_REG_ADDR", 28, 4, false}};
constexpr named_field cust_cfg_fields[] = {{"PSEQ_XTAL_BITS0", 0, 4, false},
                                           {"PMU_TOP_PMU2", 4, 4, false},
                                           {"PWR_STEP_SIZE", 8, 1, false},
                                           {"external_pa_gain", 9, 1, true}};

constexpr field_layout diag_layout = layout(diag_fields, 4, 4);
constexpr field_layout scan_para_layout = layout(scan_para_fields, 6, 0);
constexpr field_layout wurx_layout = layout(wurx_fields, 6, 0);
constexpr field_layout radio_ovr_layout = layout(radio_ovr_fields, 48, 12);
constexpr field_layout pmu_wurx_layout = layout(pmu_wurx_fields, 32, 0);
constexpr field_layout cust_cfg_layout = layout(cust_cfg_fields, 10, 1);

int print_record(const record_reader &read, uint32_t addr, uint16_t len, const text_sink &out,
                 const field_layout &layout)
{
    uint8_t rec[max_record_size];
    read_zero_filled(read, addr, len, rec, layout.size);
    print_fields(out, rec, len, layout);
    return 0;
}

// --- USER_APP ---

// Writes the whole record; returns false after a message.
bool write_blob(const text_sink &out, output_file &file, const char *path,
                const std::vector<uint8_t> &data)
{
    size_t written = file.write(data.data(), data.size());
    if (written == data.size())
        return true;
    out.printf("Attempted to write %u bytes to file '%s' but wrote %lu: %s", unsigned(data.size()),
               path, static_cast<unsigned long>(written), std::strerror(errno));
    return false;
}

// Writes the record to the file at `path`; returns false after a message.
bool write_record(const record_reader &read, uint32_t addr, uint16_t len, const char *path,
                  const walk_args &args)
{
    try {
        output_file file(*args.env);
        file.open(path);
        std::vector<uint8_t> data(len);
        if (len)
            read(addr, len, data.data());
        if (!write_blob(args.out, file, path, data))
            return false;
        file.commit(true);
        return true;
    } catch (const error &e) {
        args.out.messages().write(e.text);
        return false;
    }
}

} // namespace

int pretty_value_content(const record_reader &read, uint32_t addr, uint16_t len, walk_args &args)
{
    args.out.printf(args.format ? args.format : "%u", unsigned(read_value(read, addr, len, 4)));
    return 0;
}

int pretty_MAX_SLEEP_DUR_content(const record_reader &read, uint32_t addr, uint16_t len,
                                 walk_args &args)
{
    int32_t v = int32_t(read_value(read, addr, len, 4));
    args.out.printf("%d ", v);
    if (v % 2)
        args.out.printf("(%fus)", v * 312.5);
    else
        args.out.printf("(%lldus)", static_cast<long long>(v / 2) * 625);
    return 0;
}

int pretty_OSC_WAKEUP_TIME_content(const record_reader &read, uint32_t addr, uint16_t len,
                                   walk_args &args)
{
    return print_unit(read, addr, len, args.out, wakeup_form);
}

int pretty_MOUSE_TIMEOUT_content(const record_reader &read, uint32_t addr, uint16_t len,
                                 walk_args &args)
{
    return print_unit(read, addr, len, args.out, mouse_time_form);
}

int pretty_SCHED_SCAN_DUR_content(const record_reader &read, uint32_t addr, uint16_t len,
                                  walk_args &args)
{
    return print_unit(read, addr, len, args.out, sched_scan_form);
}

int pretty_SLEEP_ENABLE_content(const record_reader &read, uint32_t addr, uint16_t len,
                                walk_args &args)
{
    static constexpr const char *names[] = {"NONE",        "DEEP",      "RETAIN",
                                            "RETAIN_DROP", "HIBERNATE", "SOC_OFF"};
    unsigned v = read_value(read, addr, len, 1);
    if (const char *name = name_of(v, names, std::size(names)))
        args.out.printf("%s", name);
    else
        args.out.printf("unknown sleep_enable value '%u'", v);
    return 0;
}

int pretty_EXT_WAKEUP_ENABLE_content(const record_reader &read, uint32_t addr, uint16_t len,
                                     walk_args &args)
{
    static constexpr const char *names[] = {"Disabled", "Enabled", "Enabled2"};
    static constexpr char tag_name[] = "EXT_WAKEUP_ENABLE";
    text_sink err = args.out.messages();
    if (len != 1) {
        err.printf("Unexpected length of data for %s: expected %u but got %u\n", tag_name, 1u,
                   unsigned(len));
        return 1;
    }
    unsigned v = read_value(read, addr, len, 1);
    const char *name = name_of(v, names, std::size(names));
    if (!name) {
        err.printf("Unknown value '%02x' for tag %s\n", v, tag_name);
        return 1;
    }
    args.out.printf("%s", name);
    return 0;
}

int pretty_ACTIVITY_MOVE_CONFIG_content(const record_reader &read, uint32_t addr, uint16_t len,
                                        walk_args &args)
{
    return print_switch(read, addr, len, args.out, enabled_form);
}

int pretty_LE_DBG_FIXED_P256_KEY_content(const record_reader &read, uint32_t addr, uint16_t len,
                                         walk_args &args)
{
    return print_switch(read, addr, len, args.out, true_form);
}

int pretty_LE_CODED_PHY_500_content(const record_reader &read, uint32_t addr, uint16_t len,
                                    walk_args &args)
{
    return print_switch(read, addr, len, args.out, coded_phy_form);
}

int pretty_PROG_DELAY_content(const record_reader &read, uint32_t addr, uint16_t len,
                              walk_args &args)
{
    unsigned v = read_value(read, addr, len, 1);
    args.out.printf("%u half slots (%uus)", v, v * 625 / 2);
    return 0;
}

int pretty_SLEEP_ALGO_DUR_content(const record_reader &read, uint32_t addr, uint16_t len,
                                  walk_args &args)
{
    unsigned v = read_value(read, addr, len, 2);
    args.out.printf("%u", v);
    if (v % 2 == 0)
        args.out.printf(" (%uus)", v / 2);
    return 0;
}

int pretty_FLASH_POWERUP_DELAY_content(const record_reader &read, uint32_t addr, uint16_t len,
                                       walk_args &args)
{
    if (len <= 2)
        print_32k_cycles(args.out, int32_t(read_value(read, addr, len, 2)));
    return 0;
}

int pretty_HIBERNATE_ADJ_content(const record_reader &read, uint32_t addr, uint16_t len,
                                 walk_args &args)
{
    print_32k_cycles(args.out, int32_t(read_value(read, addr, len, 4)));
    return 0;
}

int pretty_DIAG_BLE_HW_content(const record_reader &read, uint32_t addr, uint16_t len,
                               walk_args &args)
{
    return print_record(read, addr, len, args.out, diag_layout);
}

int pretty_MOUSE_NTF_CFG_content(const record_reader &read, uint32_t addr, uint16_t len,
                                 walk_args &args)
{
    uint8_t rec[6];
    read_zero_filled(read, addr, len, rec, sizeof rec);
    args.out.printf("%#x %#x %#x", unsigned(le16(rec)), unsigned(le16(rec + 2)),
                    unsigned(le16(rec + 4)));
    return 0;
}

int pretty_SCAN_SETTING_content(const record_reader &read, uint32_t addr, uint16_t len,
                                walk_args &args)
{
    return print_record(read, addr, len, args.out,
                        args.tag == tag_WURX_PROFILE ? wurx_layout : scan_para_layout);
}

int pretty_BLE_RADIO_OVR_content(const record_reader &read, uint32_t addr, uint16_t len,
                                 walk_args &args)
{
    return print_record(read, addr, len, args.out, radio_ovr_layout);
}

int pretty_PMU_WURX_content(const record_reader &read, uint32_t addr, uint16_t len, walk_args &args)
{
    return print_record(read, addr, len, args.out, pmu_wurx_layout);
}

int pretty_CUST_CFG_content(const record_reader &read, uint32_t addr, uint16_t len, walk_args &args)
{
    return print_record(read, addr, len, args.out, cust_cfg_layout);
}

int pretty_USER_APP_content(const record_reader &read, uint32_t addr, uint16_t len, walk_args &args)
{
    const char *path = args.arg;
    if (!path) {
        args.out.write("<blob>");
        return 0;
    }
    if (!write_record(read, addr, len, path, args)) {
        *args.file_failed = true;
        return 1;
    }
    args.out.printf("Successfully wrote %u bytes to '%s'", unsigned(len), path);
    return 0;
}

} // namespace imgforge
