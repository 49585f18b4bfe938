#include "dump/catalogue.h"

#include <algorithm>

#include "common/format.h"

#include "dump/adv.h"
#include "dump/cal/mdm.h"
#include "dump/cal/misc.h"
#include "dump/cal/rif.h"
#include "dump/identity.h"
#include "dump/regwrite.h"
#include "dump/settings.h"

#include <array>
#include <vector>

namespace imgforge {

namespace {

int pretty_raw_hex_content(const record_reader &read, uint32_t addr, uint16_t len, walk_args &args)
{
    print_hex_nvds(read, addr, len, args.out);
    return 0;
}

int pretty_spaced_hex_content(const record_reader &read, uint32_t addr, uint16_t len,
                              walk_args &args)
{
    std::vector<uint8_t> data(len);
    read(addr, len, data.data());
    print_spaced_hex(args.out, data.data(), data.size());
    return 0;
}

constexpr tag_info raw(uint8_t tag, tag_group group, const char *name)
{
    return {tag, group, name, length_rule::any, 0, nullptr, pretty_raw_hex_content, nullptr};
}

constexpr tag_info any(uint8_t tag, tag_group group, const char *name, content_decoder decoder)
{
    return {tag, group, name, length_rule::any, 0, nullptr, decoder, nullptr};
}

constexpr tag_info exact(uint8_t tag, tag_group group, const char *name, uint16_t size,
                         const char *condition, content_decoder decoder,
                         const char *format = nullptr)
{
    return {tag, group, name, length_rule::exact, size, condition, decoder, format};
}

constexpr tag_info at_most(uint8_t tag, tag_group group, const char *name, uint16_t size,
                           const char *condition, content_decoder decoder)
{
    return {tag, group, name, length_rule::at_most, size, condition, decoder, nullptr};
}

constexpr tag_info structure(uint8_t tag, tag_group group, const char *name, uint16_t size,
                             content_decoder decoder)
{
    return {tag, group, name, length_rule::structure, size, nullptr, decoder, nullptr};
}

constexpr tag_info marker(uint8_t tag, tag_group group, const char *name)
{
    return {tag, group, name, length_rule::marker, 0, nullptr, nullptr, nullptr};
}

constexpr tag_group P = tag_group::param_id;
constexpr tag_group N = tag_group::nvds_tag;
constexpr tag_group X = tag_group::platform;
constexpr const char *LEN = "len == LEN";
constexpr const char *HIBERNATE = "len == sizeof(hibernate_adjust_dur)";

// clang-format off
constexpr tag_info catalogue[] = {
    exact(0x07, P, "LPCLK_DRIFT", 2, "len == sizeof(local_drift)", pretty_value_content, "%u ppm"),
    raw(0x08, P, "LPCLK_JITTER"),
    exact(0x0A, P, "MAX_SLEEP_DUR", 4, "len == sizeof(max_sleep_dur)", pretty_MAX_SLEEP_DUR_content),
    exact(0x0D, P, "EXT_WAKEUP_TIME", 2, "len == sizeof(twext)", pretty_value_content, "%uus"),
    exact(0x0E, P, "OSC_WAKEUP_TIME", 2, "len == sizeof(twosc)", pretty_OSC_WAKEUP_TIME_content),
    exact(0x0F, P, "RM_WAKEUP_TIME", 2, "len == sizeof(twrm_us)", pretty_OSC_WAKEUP_TIME_content),
    exact(0x10, P, "UART_BAUDRATE", 4, "len == sizeof(baudrate)", pretty_value_content, "%u"),
    exact(0x11, P, "SLEEP_ENABLE", 1, "len == sizeof(sleep_enable)", pretty_SLEEP_ENABLE_content),
    any(0x12, P, "EXT_WAKEUP_ENABLE", pretty_EXT_WAKEUP_ENABLE_content),
    raw(0x13, P, "SP_PRIVATE_KEY_P192"),
    raw(0x14, P, "SP_PUBLIC_KEY_P192"),
    exact(0x15, P, "ACTIVITY_MOVE_CONFIG", 1, "len == sizeof(con_move_en)",
          pretty_ACTIVITY_MOVE_CONFIG_content),
    exact(0x16, P, "SCAN_EXT_ADV", 1, "len == sizeof(scan_ext_adv_en)",
          pretty_ACTIVITY_MOVE_CONFIG_content),
    exact(0x17, P, "SCHED_SCAN_DUR", 2, "len == sizeof(sched_scan_dur)",
          pretty_SCHED_SCAN_DUR_content),
    exact(0x18, P, "PROG_DELAY", 1, "len == sizeof(prog_delay)", pretty_PROG_DELAY_content),
    raw(0x2C, P, "SYNC_CONFIG"),
    raw(0x2D, P, "PCM_SETTINGS"),
    exact(0x2E, P, "SLEEP_ALGO_DUR", 2, "len == sizeof(sleep_algo_dur)",
          pretty_SLEEP_ALGO_DUR_content),
    raw(0x2F, P, "TRACER_CONFIG"),
    raw(0x30, P, "DIAG_BT_HW"),
    structure(0x31, P, "DIAG_BLE_HW", 4, pretty_DIAG_BLE_HW_content),
    structure(0x32, P, "DIAG_SW", 4, pretty_DIAG_BLE_HW_content),
    raw(0x33, P, "DIAG_DM_HW"),
    raw(0x34, P, "DIAG_PLF"),
    raw(0x37, P, "IDCSEL_PLF"),
    any(0x80, P, "LE_PRIVATE_KEY_P256", pretty_spaced_hex_content),
    raw(0x81, P, "LE_PUBLIC_KEY_P256"),
    exact(0x82, P, "LE_DBG_FIXED_P256_KEY", 1, "len == sizeof(forced_key)",
          pretty_LE_DBG_FIXED_P256_KEY_content),
    raw(0x83, P, "SP_PRIVATE_KEY_P256"),
    raw(0x84, P, "SP_PUBLIC_KEY_P256"),
    exact(0x85, P, "LE_CODED_PHY_500", 1, "len == sizeof(le_coded_phy_500)",
          pretty_LE_CODED_PHY_500_content),

    exact(0x01, N, "BD_ADDRESS", 6, LEN, pretty_BD_ADDRESS_content),
    at_most(0x02, N, "DEVICE_NAME", 248, "len <= PARAM_LEN_DEVICE_NAME",
            pretty_DEVICE_NAME_content),
    exact(0x03, N, "LTK_3", 28, LEN, pretty_LTK_content),
    exact(0x04, N, "LTK_2", 28, LEN, pretty_LTK_content),
    structure(0x05, N, "APP_BLE_ACT_STRT_CMD", 3, pretty_ACT_STRT_CMD_content),
    structure(0x06, N, "APP_BLE_ACT_CRT_CMD", 39, pretty_ACT_CRT_CMD_content),
    exact(0x09, N, "APP_BLE_RSTRT_DUR", 4, "len == sizeof(restart_duration)",
          pretty_RSTRT_DUR_content),
    any(0x0B, N, "APP_BLE_ADV_DATA", pretty_APP_BLE_DATA_content),
    any(0x0C, N, "APP_BLE_SCAN_RESP_DATA", pretty_APP_BLE_DATA_content),
    structure(0x20, N, "APP_WURX_BLE_ACT_STRT_CMD", 3, pretty_ACT_STRT_CMD_content),
    structure(0x21, N, "APP_WURX_BLE_ACT_CRT_CMD", 39, pretty_ACT_CRT_CMD_content),
    any(0x22, N, "APP_WURX_BLE_ADV_DATA", pretty_APP_BLE_DATA_content),
    any(0x23, N, "APP_WURX_BLE_SCAN_RESP_DATA", pretty_APP_BLE_DATA_content),
    exact(0x36, N, "RECENT_BOND", 2, "len == sizeof(recent_bond)", pretty_value_content, "%u"),
    exact(0x38, N, "MOUSE_SAMPLE_RATE", 1, "len == sizeof(reports)", pretty_value_content,
          "%u reports/s"),
    structure(0x39, N, "PERIPH_BONDED", 1, pretty_PERIPH_BONDED_content),
    structure(0x3A, N, "MOUSE_NTF_CFG", 6, pretty_MOUSE_NTF_CFG_content),
    exact(0x3B, N, "MOUSE_TIMEOUT", 2, "len == sizeof(timeout)", pretty_MOUSE_TIMEOUT_content),
    structure(0x3C, N, "PEER_BD_ADDRESS", 7, pretty_PEER_BD_ADDRESS_content),
    exact(0x3D, N, "MOUSE_ENERGY_SAFE", 2, "len == sizeof(timer_val)",
          pretty_MOUSE_TIMEOUT_content),
    exact(0x3E, N, "LTK", 28, LEN, pretty_LTK_content),
    raw(0x3F, N, "PAIRING"),
    structure(0x41, N, "PERIPH_BONDED_2", 1, pretty_PERIPH_BONDED_content),
    structure(0x42, N, "PERIPH_BONDED_3", 1, pretty_PERIPH_BONDED_content),
    structure(0x43, N, "PEER_BD_ADDRESS_2", 7, pretty_PEER_BD_ADDRESS_content),
    structure(0x44, N, "PEER_BD_ADDRESS_3", 7, pretty_PEER_BD_ADDRESS_content),
    marker(0x90, N, "AM0_FIRST"),
    marker(0x9F, N, "AM0_LAST"),
    exact(0xA0, N, "LOC_IRK", 16, "len == sizeof(loc_irk)", pretty_spaced_hex_content),
    structure(0xA1, N, "PEER_IRK", 23, pretty_PEER_IRK_content),
    structure(0xA2, N, "PEER_IRK_2", 23, pretty_PEER_IRK_content),
    exact(0xA3, N, "ADV_DURATION", 2, "len == sizeof(bcn_duration)", pretty_value_content, "%u"),
    at_most(0xA4, N, "SCAN_SETTING", 6, "len <= sizeof(scan_para)", pretty_SCAN_SETTING_content),
    at_most(0xA5, N, "WURX_PROFILE", 6, "len <= sizeof(wurx)", pretty_SCAN_SETTING_content),
    structure(0xA6, N, "PEER_IRK_3", 23, pretty_PEER_IRK_content),
    raw(0xA7, N, "BRIDGE_SERVICE"),
    raw(0xA8, N, "BRIDGE_CHAR_TRX"),
    raw(0xA9, N, "BRIDGE_CHAR_TRX2"),
    exact(0xAB, N, "PEER_LTK", 28, LEN, pretty_LTK_content),
    exact(0xAC, N, "PEER_LTK_2", 28, LEN, pretty_LTK_content),
    exact(0xAD, N, "PEER_LTK_3", 28, LEN, pretty_LTK_content),
    raw(0xAE, N, "MPR_XTAL_CAP"),

    structure(0xB0, X, "RIF_CAL", 4096, pretty_RIF_CAL_content),
    structure(0xB1, X, "MDM_CAL", 4096, pretty_MDM_CAL_content),
    structure(0xB2, X, "BLE_RADIO_OVR", 48, pretty_BLE_RADIO_OVR_content),
    structure(0xB3, X, "FLASH_POWERUP_DELAY", 2, pretty_FLASH_POWERUP_DELAY_content),
    structure(0xB4, X, "PMU_WURX", 32, pretty_PMU_WURX_content),
    exact(0xB5, X, "WATCHDOG", 4, "len == sizeof(wdog_timeout)", pretty_value_content,
          "%u (in 16MHz cycles)"),
    any(0xB6, X, "USER_APP", pretty_USER_APP_content),
    exact(0xB7, X, "PMU_WKUP", 4, "len == sizeof(pmu_top_pmu1)", pretty_value_content, "%#x"),
    raw(0xB8, X, "ATE"),
    exact(0xB9, X, "HIBERNATE_ADJ", 4, HIBERNATE, pretty_HIBERNATE_ADJ_content),
    exact(0xBA, X, "RETAIN_ADJ", 4, HIBERNATE, pretty_HIBERNATE_ADJ_content),
    exact(0xBB, X, "SLEEP_MIN", 4, "len == sizeof(sleep_min)", pretty_HIBERNATE_ADJ_content),
    structure(0xBC, X, "MISC_CAL", 144, pretty_MISC_CAL_content),
    structure(0xBD, X, "CUST_CFG", 10, pretty_CUST_CFG_content),
    raw(0xBE, X, "RADIO_CAL"),
    structure(0xFC, X, "PMU_W", 8, pretty_PMU_W_content),
    exact(0xFD, X, "MEM_W", 8, "len == sizeof(mem_w)", pretty_MEM_W_content),
    exact(0xFE, X, "MEM_RMW", 12, "len == sizeof(mem_rmw)", pretty_MEM_RMW_content),
};
// clang-format on

using V = value_type;
struct number_tag {
    uint8_t tag;
    value_type type;
};
constexpr number_tag number_tags[] = {
    {0x07, V::u16}, {0x09, V::u32}, {0x0A, V::i32}, {0x0D, V::u16}, {0x0E, V::u16}, {0x0F, V::u16},
    {0x10, V::u32}, {0x11, V::u8},  {0x12, V::u8},  {0x15, V::u8},  {0x16, V::u8},  {0x17, V::u16},
    {0x18, V::u8},  {0x2E, V::u16}, {0x36, V::u16}, {0x38, V::u8},  {0x39, V::u8},  {0x3B, V::u16},
    {0x3D, V::u16}, {0x41, V::u8},  {0x42, V::u8},  {0x82, V::u8},  {0x85, V::u8},  {0xA3, V::u16},
    {0xB3, V::u16}, {0xB5, V::u32}, {0xB7, V::u32}, {0xB9, V::i32}, {0xBA, V::i32}, {0xBB, V::i32},
};

// Catalogue row of each tag value (the first one of a repeated tag), -1 for
// an unknown tag.
constexpr std::array<int16_t, 256> index_catalogue()
{
    std::array<int16_t, 256> rows{};
    rows.fill(-1);
    for (size_t i = 0; i < std::size(catalogue); i++)
        if (rows[catalogue[i].tag] < 0)
            rows[catalogue[i].tag] = int16_t(i);
    return rows;
}
constexpr std::array<int16_t, 256> catalogue_index = index_catalogue();

} // namespace

const char *group_prefix(tag_group group)
{
    static constexpr const char *prefixes[] = {"PARAM_ID_", "NVDS_TAG_", ""};
    return prefixes[size_t(group)];
}

const char *group_name(tag_group group)
{
    static constexpr const char *names[] = {"PARAM_ID", "NVDS_TAG", "platform"};
    return names[size_t(group)];
}

std::span<const tag_info> tag_catalogue()
{
    return catalogue;
}

const tag_info *find_tag_info(uint8_t tag)
{
    int16_t row = catalogue_index[tag];
    return row < 0 ? nullptr : &catalogue[row];
}

value_type number_type(uint8_t tag)
{
    for (const number_tag &n : number_tags)
        if (n.tag == tag)
            return n.type;
    return value_type::none;
}

unsigned value_width(value_type type)
{
    static constexpr unsigned widths[] = {0, 1, 2, 4, 4};
    return widths[size_t(type)];
}

bool length_allowed(const tag_info &info, uint16_t len)
{
    switch (info.rule) {
    case length_rule::exact:
        return len == info.size;
    case length_rule::at_most:
        return len <= info.size;
    default:
        return true;
    }
}

std::string length_rule_text(const tag_info &info)
{
    if (info.rule == length_rule::exact)
        return format("%u bytes", unsigned(info.size));
    if (info.rule == length_rule::at_most)
        return format("at most %u bytes", unsigned(info.size));
    return "any length";
}

const char *tag_name(uint8_t tag)
{
    const tag_info *info = find_tag_info(tag);
    return info ? info->name : nullptr;
}

} // namespace imgforge

namespace imgforge {

const tag_info *find_tag_named(std::string_view name)
{
    auto fold = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
    for (const tag_info &info : tag_catalogue()) {
        std::string_view candidate = info.name;
        if (candidate.size() == name.size() &&
            std::equal(name.begin(), name.end(), candidate.begin(),
                       [&](char a, char b) { return fold(a) == b; }))
            return &info;
    }
    return nullptr;
}

} // namespace imgforge
