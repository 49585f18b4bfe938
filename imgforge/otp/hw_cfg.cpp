#include "otp/hw_cfg.h"

#include "common/bytes.h"
#include "common/format.h"
#include "common/numbers.h"
#include "error.h"

#include <cstring>
#include <iterator>
#include <string_view>

namespace imgforge {

namespace {

constexpr bool SHOWN = false;
constexpr bool INTERNAL = true;

constexpr uint32_t field_mask(uint32_t shift, uint32_t width)
{
    return uint32_t(((uint64_t(1) << width) - 1) << shift);
}

template <size_t N>
constexpr hw_cfg_field detailed(const char *name, uint32_t shift, uint32_t width, bool internal,
                                const hw_cfg_detail (&details)[N])
{
    return {name, shift, width, field_mask(shift, width), true, internal, details, N};
}

constexpr hw_cfg_field general(const char *name, uint32_t shift, uint32_t width, bool internal)
{
    return {name, shift, width, field_mask(shift, width), false, internal, nullptr, 0};
}

} // namespace

const hw_cfg_field hw_cfg_tab[] = {
    detailed("SWD_DISABLE", 0, 1, SHOWN, NVM_EFUSE_AUTOREAD__SWD_DISABLE__DETAILS),
    detailed("SYSRAM_SVT_EN_HW", 1, 1, INTERNAL, NVM_EFUSE_AUTOREAD__SYSRAM_SVT_EN_HW__DETAILS),
    detailed("SYSRAM_HVT_EN_HW", 2, 1, INTERNAL, NVM_EFUSE_AUTOREAD__SYSRAM_HVT_EN_HW__DETAILS),
    detailed("PKG_5X5", 3, 1, INTERNAL, NVM_EFUSE_AUTOREAD__PKG_5X5__DETAILS),
    detailed("STACKED_FLASH", 4, 1, INTERNAL, NVM_EFUSE_AUTOREAD__STACKED_FLASH__DETAILS),
    general("PDAC", 5, 3, INTERNAL),
    detailed("OTP_HARV_DISABLED", 8, 1, INTERNAL, NVM_EFUSE_AUTOREAD__OTP_HARV_DISABLED__DETAILS),
    general("OTP_BROWNOUT_THR", 9, 3, SHOWN),
    detailed("900MHZ_SOURCE", 12, 1, INTERNAL, NVM_EFUSE_AUTOREAD__900MHZ_SOURCE__DETAILS),
    detailed("SPARE", 13, 2, INTERNAL, NVM_EFUSE_AUTOREAD__SPARE__DETAILS),
    general("OTP_NABG_TRIM", 15, 9, INTERNAL),
    detailed("IGNORE_32KHZ_XTAL_CHECK", 24, 1, SHOWN,
             NVM_EFUSE_AUTOREAD__IGNORE_32KHZ_XTAL_CHECK__DETAILS),
    detailed("OTP_DISABLE_VDDIO", 25, 1, SHOWN, NVM_EFUSE_AUTOREAD__OTP_DISABLE_VDDIO__DETAILS),
    detailed("OTP_HARV_TYPE", 26, 1, SHOWN, NVM_EFUSE_AUTOREAD__OTP_HARV_TYPE__DETAILS),
    detailed("OTP_BATT_TYPE", 27, 2, SHOWN, NVM_EFUSE_AUTOREAD__OTP_BATT_TYPE__DETAILS),
    detailed("OTP_DISABLE_VDD", 29, 1, SHOWN, NVM_EFUSE_AUTOREAD__OTP_DISABLE_VDD__DETAILS),
    detailed("DISABLE_OTP_WRITES", 30, 1, SHOWN, NVM_EFUSE_AUTOREAD__DISABLE_OTP_WRITES__DETAILS),
    detailed("NO_32KHZ_XTAL_ON_BOARD", 31, 1, SHOWN,
             NVM_EFUSE_AUTOREAD__NO_32KHZ_XTAL_ON_BOARD__DETAILS),
};

const hw_cfg_example hw_cfg_examples[] = {
    {HW_CFG_BOOLEAN, "SWD_DISABLE"},
    {HW_CFG_ENUM, "OTP_BATT_TYPE"},
    {HW_CFG_GENERAL, "OTP_BROWNOUT_THR"},
};

namespace {

// Per kind: the type shown in the field list, the heading of its help
// example and the self-check of an example of that kind.
struct hw_cfg_kind {
    const char *type;
    const char *heading;
    const char *bad_example;
    bool (*example_ok)(const hw_cfg_field &field);
};

const hw_cfg_kind hw_cfg_kinds[] = {
    {"boolean", "Boolean", "INTERNAL ERROR: bad bool example '%s'\n",
     [](const hw_cfg_field &f) { return f.width == 1; }},
    {"enum", "Enum", "INTERNAL ERROR: bad enum example '%s'\n",
     [](const hw_cfg_field &f) { return f.has_details && f.width != 1; }},
    {"general", "General", "INTERNAL ERROR: bad example '%s'\n",
     [](const hw_cfg_field &f) { return !f.has_details; }},
};

uint32_t kind_of(const hw_cfg_field &field)
{
    if (field.width == 1)
        return HW_CFG_BOOLEAN;
    return field.has_details ? HW_CFG_ENUM : HW_CFG_GENERAL;
}

bool fits(uint32_t value, uint32_t width)
{
    return width >= 32 || (value >> width) == 0;
}

const hw_cfg_detail *find_detail(const hw_cfg_field &field, uint32_t value)
{
    for (size_t j = 0; j < field.n_details; j++)
        if (field.details[j].value == value)
            return &field.details[j];
    return nullptr;
}

// ---- self-check ----

[[noreturn]] void table_fault(const std::string &lines, size_t row)
{
    fail(EXIT_REFUSED, lines + format("INTERNAL ERROR: row %u of hw_cfg_tab\n", unsigned(row)));
}

void check_hw_cfg_pair(const hw_cfg_field &prev, const hw_cfg_field &next, size_t next_row)
{
    uint32_t end = prev.shift + prev.width;
    if (end <= next.shift)
        return;
    table_fault(format("INTERNAL ERROR: prev sh/w = %u+%u = %u > %u\n", prev.shift, prev.width, end,
                       next.shift),
                next_row);
}

void check_hw_cfg_example(std::span<const hw_cfg_field> tab, const hw_cfg_example &example)
{
    int row = find_hw_cfg_by_name(tab, example.name);
    if (row < 0)
        fail(EXIT_REFUSED, format("INTERNAL ERROR: invalid HW cfg example '%s'\n", example.name));
    if (example.kind >= std::size(hw_cfg_kinds))
        return;
    const hw_cfg_kind &kind = hw_cfg_kinds[example.kind];
    if (!kind.example_ok(tab[size_t(row)]))
        fail(EXIT_REFUSED, format(kind.bad_example, example.name));
}

// ---- -w ----

bool is_letter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The whole text must be the number: bits are never blown on a guess.
number_status parse_hex32(const char *text, uint32_t &value)
{
    uint64_t v = 0;
    number_status status = parse_hex(text, UINT32_MAX, v);
    value = uint32_t(v);
    return status;
}

// Throws the lines before, then "ERROR: invalid -w argument ...".
[[noreturn]] void reject_w(const char *arg, const std::string &before = "")
{
    fail(EXIT_USAGE, before + format("ERROR: invalid -w argument '%s'\n", arg));
}

// Throws the reason, then "ERROR: invalid sym value ..." and the -w line.
[[noreturn]] void reject_value(const hw_cfg_field &field, const char *value, const char *arg,
                               const std::string &reason)
{
    reject_w(arg,
             reason + format("ERROR: invalid sym value for HW cfg %s: '%s'\n", field.name, value));
}

uint32_t raw_word(const char *arg)
{
    uint32_t bits = 0;
    if (parse_hex32(arg, bits) != number_status::ok)
        reject_w(arg);
    return bits;
}

uint32_t whole_field(const hw_cfg_field &field, const char *arg)
{
    if (field.width == 1)
        return field.mask;
    reject_w(arg, format("No value specified for multi-bit HW cfg\nUse '%s%c%s'\n", field.name, ':',
                         "<integer value>"));
}

uint32_t symbol_value(const hw_cfg_field &field, const char *symbol, const char *arg)
{
    if (!field.has_details)
        reject_value(field, symbol, arg,
                     "ERROR: symbolic value provided for non-symbolic type HW configuration\n");
    for (size_t j = 0; j < field.n_details; j++) {
        const hw_cfg_detail &d = field.details[j];
        if (d.symbol && std::strcmp(d.symbol, symbol) == 0)
            return d.value;
    }
    reject_value(field, symbol, arg, format("ERROR: no value for symbol '%s'\n", symbol));
}

uint32_t field_value(const hw_cfg_field &field, const char *text, const char *arg)
{
    if (is_letter(text[0]))
        return symbol_value(field, text, arg);
    uint32_t value = 0;
    number_status status = parse_hex32(text, value);
    if (status == number_status::invalid)
        reject_value(field, text, arg, format("ERROR: invalid hex value: '%s'\n", text));
    if (status == number_status::too_big || (!field.has_details && !fits(value, field.width)))
        reject_value(field, text, arg,
                     format("ERROR: '%s' is too big to fit in %u bits\n", text, field.width));
    if (field.has_details && !find_detail(field, value))
        reject_value(field, text, arg,
                     format("ERROR: '%s' is not a valid bool/enum value\n", text));
    return value;
}

// ---- -N and -H w ----

std::string bit_label(const hw_cfg_field &field)
{
    if (field.width == 1)
        return format("[%5u]", field.shift);
    return format("[%2u:%2u]", field.shift, field.shift + field.width - 1);
}

void print_field_value(const hw_cfg_field &field, uint32_t word, const text_sink &out)
{
    std::string text = hw_field_text(field, hw_field_value(field, word));
    if (text.empty())
        fail(EXIT_REFUSED, format("ERROR: failed to decode %s\n", field.name));
    out.write(text);
}

struct arg_form {
    const char *item;
    std::span<const char *const> lines;
};

const char *const hex_form_lines[] = {"where <hex> is a 32-bit hexadecimal value"};
const char *const field_form_lines[] = {
    "where <field-name> is the name of an NVM AUTOREAD field and",
    "<field-value> is the value for that field.  It can also be",
    "a symbolic value if the field is an enum type.  When",
    "\":<field-value>\" is omitted for a single-bit field, :1 is",
    "assumed.",
};
const arg_form arg_forms[] = {
    {"<hex>", hex_form_lines},
    {"<field-name>:<field-value>", field_form_lines},
};

void print_arg_forms(FILE *out, const char *prefix)
{
    std::fprintf(out, "%s%s can be:\n", prefix, "<arg>");
    for (const arg_form &form : arg_forms) {
        std::fprintf(out, "%s  - %s\n", prefix, form.item);
        for (const char *line : form.lines)
            std::fprintf(out, "%s    %s\n", prefix, line);
    }
}

void print_field_help(FILE *out, const char *prefix, const hw_cfg_field &field)
{
    std::fprintf(out, "%s%s", prefix, bit_label(field).c_str());
    std::fprintf(out, "  %s (%s)\n", field.name, hw_cfg_kinds[kind_of(field)].type);
    if (kind_of(field) != HW_CFG_ENUM)
        return;
    for (size_t j = 0; j < field.n_details; j++) {
        const hw_cfg_detail &d = field.details[j];
        if (d.symbol)
            std::fprintf(out, "%s           - %s\n", prefix, d.symbol);
        else
            std::fprintf(out, "%s           - %u\n", prefix, d.value);
    }
}

void print_example_args(FILE *out, const char *prefix, uint32_t kind, const hw_cfg_field &field)
{
    switch (kind) {
    case HW_CFG_BOOLEAN:
        for (const char *value : {"", ":1"})
            std::fprintf(out, "%s    -w %s%s\n", prefix, field.name, value);
        break;
    case HW_CFG_ENUM:
        if (field.n_details) {
            const hw_cfg_detail &last = field.details[field.n_details - 1];
            if (last.symbol)
                std::fprintf(out, "%s    -w %s:%s\n", prefix, field.name, last.symbol);
            std::fprintf(out, "%s    -w %s:%#x\n", prefix, field.name, last.value);
        }
        break;
    case HW_CFG_GENERAL:
        std::fprintf(out, "%s    -w %s:%#x\n", prefix, field.name, (field.mask >> field.shift) - 1);
        break;
    }
}

void print_example(FILE *out, const char *prefix, const hw_cfg_example &example)
{
    int row = find_hw_cfg_by_name(example.name);
    if (row < 0 || example.kind >= std::size(hw_cfg_kinds))
        return;
    std::fprintf(out, "%s  %s\n", prefix, hw_cfg_kinds[example.kind].heading);
    print_example_args(out, prefix, example.kind, hw_cfg_tab[row]);
}

} // namespace

int find_hw_cfg_by_name(std::span<const hw_cfg_field> tab, const char *name, const char *end)
{
    std::string_view key = end ? std::string_view(name, size_t(end - name)) : name;
    for (size_t i = 0; i < tab.size(); i++)
        if (key == tab[i].name)
            return int(i);
    return -1;
}

int find_hw_cfg_by_name(const char *name, const char *end)
{
    return find_hw_cfg_by_name(hw_cfg_tab, name, end);
}

std::string check_hw_cfg_vals(const hw_cfg_field &field)
{
    for (size_t j = 0; j < field.n_details; j++) {
        uint32_t value = field.details[j].value;
        if (!fits(value, field.width))
            return format("INTERNAL ERROR: detail element %u too big\nINTERNAL ERROR: %u does "
                          "not fit in %u bits\n",
                          unsigned(j), value, field.width);
    }
    return {};
}

void check_hw_cfg_tab(std::span<const hw_cfg_field> tab, std::span<const hw_cfg_example> examples)
{
    for (size_t i = 0; i < tab.size(); i++) {
        std::string fault = check_hw_cfg_vals(tab[i]);
        if (!fault.empty())
            table_fault(fault, i);
        if (i + 1 < tab.size())
            check_hw_cfg_pair(tab[i], tab[i + 1], i + 1);
    }
    for (const hw_cfg_example &example : examples)
        check_hw_cfg_example(tab, example);
}

void check_hw_cfg_tab()
{
    check_hw_cfg_tab(hw_cfg_tab, hw_cfg_examples);
}

uint32_t hw_bits_to_blow(const char *arg)
{
    const char *colon = std::strchr(arg, ':');
    int row = find_hw_cfg_by_name(arg, colon);
    if (row < 0)
        return raw_word(arg);
    const hw_cfg_field &field = hw_cfg_tab[row];
    if (!colon)
        return whole_field(field, arg);
    return field_value(field, colon + 1, arg) << field.shift;
}

std::string hw_field_bits(std::string_view name, uint64_t value, uint32_t &bits)
{
    std::string text(name);
    int row = find_hw_cfg_by_name(text.c_str());
    if (row < 0)
        return format("unknown field '%s'", excerpt(name).c_str());
    const hw_cfg_field &field = hw_cfg_tab[row];
    if (value > UINT32_MAX || (!field.has_details && !fits(uint32_t(value), field.width)))
        return format("%llu does not fit in the %u bits of %s",
                      static_cast<unsigned long long>(value), field.width, field.name);
    if (field.has_details && !find_detail(field, uint32_t(value)))
        return format("%llu is not a value of %s", static_cast<unsigned long long>(value),
                      field.name);
    bits = uint32_t(value) << field.shift;
    return {};
}

uint32_t hw_field_value(const hw_cfg_field &field, uint32_t word)
{
    return (word & field.mask) >> field.shift;
}

std::string hw_field_text(const hw_cfg_field &field, uint32_t value)
{
    if (!field.has_details) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%x", value);
        return hex;
    }
    const hw_cfg_detail *detail = find_detail(field, value);
    return detail ? detail->description : "";
}

bool hw_field_shown(const hw_cfg_field &field, bool show_internal)
{
    return show_internal || !field.internal;
}

uint32_t get_hw_cfg(const uint8_t *word)
{
    return ~le32(word);
}

void blow_hw_bits(uint8_t *word, uint32_t bits)
{
    for (unsigned k = 0; k < 4; k++)
        word[k] &= uint8_t(~(bits >> (8 * k)));
}

void print_hw_cfg(uint32_t word, bool pretty, bool show_internal, const text_sink &out)
{
    if (!pretty) {
        out.printf("HW configuration: 0x%08x\n", word);
        return;
    }
    for (const hw_cfg_field &field : hw_cfg_tab) {
        if (!hw_field_shown(field, show_internal))
            continue;
        out.printf("%s %s ", bit_label(field).c_str(), field.name);
        print_field_value(field, word, out);
        out.put('\n');
    }
}

void extra_usage_HW_bits(FILE *out, const char *prefix, bool show_internal)
{
    print_arg_forms(out, prefix);
    std::fprintf(out, "%s\n%s\n%s\n", prefix, prefix, prefix);
    std::fprintf(out, "%sField names and types:\n", prefix);
    for (const hw_cfg_field &field : hw_cfg_tab)
        if (hw_field_shown(field, show_internal))
            print_field_help(out, prefix, field);
    std::fprintf(out, "%s\n%sExamples:\n", prefix, prefix);
    for (const hw_cfg_example &example : hw_cfg_examples)
        print_example(out, prefix, example);
}

} // namespace imgforge
