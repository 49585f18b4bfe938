#include "cli/options.h"

#include "cli/scanner.h"
#include "common/format.h"
#include "common/numbers.h"
#include "common/platform.h"
#include "compose/manifest.h"
#include "compose/setting.h"
#include "dump/catalogue.h"
#include "error.h"
#include "image/hex_records.h"
#include "image/input.h"
#include "image/records.h"
#include "otp/hw_cfg.h"

#include <cstring>

namespace imgforge {

namespace {

// The tag argument of an option: a hexadecimal byte from `min` up (the whole
// argument a number first), or a tag's name in any letter case.
uint8_t tag_or_die(char option, const char *arg, unsigned min = 0)
{
    uint64_t value = 0;
    bool number = parse_hex(arg, 0xFF, value) == number_status::ok;
    const tag_info *named = number ? nullptr : find_tag_named(arg);
    if (named)
        value = named->tag;
    if ((!number && !named) || value < min)
        fail(EXIT_USAGE, format("ERROR: invalid -%c argument '%s'\n", option, arg));
    return uint8_t(value);
}

uint32_t flash_size_or_die(const char *arg)
{
    uint64_t size = 0;
    if (parse_decimal(arg, UINT32_MAX, size) != number_status::ok)
        fail(EXIT_USAGE, format("ERROR: invalid -f argument '%s'\n", arg));
    return uint32_t(size);
}

void set_flag(bool run_options::*flag, run_options &o)
{
    o.*flag = true;
}

void act_help(run_options &o, const char *)
{
    usage(stdout, o.argv0);
    fail(EXIT_OK, "");
}

// Tag 0 would mean "no tag selected".
void act_tag(run_options &o, const char *arg)
{
    o.current_tag = tag_or_die('t', arg, 1);
}

void act_erase_workarounds(run_options &o, const char *arg)
{
    if (std::strcmp(arg, "all") == 0)
        erase_all_workarounds(o.img);
    else
        erase_workarounds(o.img, tag_or_die('E', arg));
}

void extra_usage_erase_workarounds(FILE *out, const char *prefix, bool)
{
    struct entry {
        const char *name;
        const char *lines[1];
    };
    static const entry entries[] = {
        {"all", {"Alias for \"-E fc -E fd -E fe\""}},
        {"<workaround-tag>", {"where <workaround-tag> is a tag value >= 0xfc"}},
    };
    std::fprintf(out, "%s%s can be\n", prefix, "<arg>");
    for (const entry &e : entries) {
        std::fprintf(out, "%s  - %s\n", prefix, e.name);
        for (const char *line : e.lines)
            std::fprintf(out, "%s    %s\n", prefix, line);
    }
}

void act_hw_bits(run_options &o, const char *arg)
{
    if (!o.img.otp)
        fail(EXIT_USAGE, format("ERROR: must specify -i before -w '%s'\n", arg));
    blow_hw_bits(hw_word(o.img), hw_bits_to_blow(arg));
}
void act_show_hw_cfg(run_options &o, const char *)
{
    if (!o.img.otp)
        fail(EXIT_USAGE, "ERROR: must specify -i before -N\n");
    if (!o.dump)
        fail(EXIT_USAGE, "ERROR: must specify -p or -v before -N\n");
    o.show_hw_cfg = true;
}

// --set TAG=VALUE: checked whole before anything is put.
void act_set(run_options &o, const char *arg)
{
    put_setting(o.img, arg, "--set argument");
}

// --base and --at: decimal digits, or 0x and hex digits; the whole argument.
std::optional<uint64_t> address(const char *arg, uint64_t max)
{
    uint64_t value = 0;
    bool hex = arg[0] == '0' && (arg[1] == 'x' || arg[1] == 'X');
    number_status status = hex ? parse_hex(arg, max, value) : parse_decimal(arg, max, value);
    return status == number_status::ok ? std::optional<uint64_t>(value) : std::nullopt;
}

constexpr uint64_t MAX_BASE = UINT32_MAX;
constexpr uint64_t MAX_OFFSET = UINT64_MAX >> 1;

// The value itself was taken before any option acted (take_settings).
void check_address(const char *option, const char *arg, uint64_t max)
{
    if (!address(arg, max))
        fail(EXIT_USAGE,
             format("ERROR: invalid --%s argument '%s'\n", option, excerpt(arg).c_str()));
}

void act_long_help(run_options &o, const char *)
{
    long_usage(stdout, o.argv0);
    fail(EXIT_OK, "");
}

void act_version(run_options &, const char *)
{
    std::printf("imgforge %s\n", IMGFORGE_VERSION);
    fail(EXIT_OK, "");
}

} // namespace

const opt opts[20] = {
    {'h', false, "Display this information", nullptr, false, act_help},
    {'H', true, "Show help message for an option (e.g. -H w)", nullptr, false,
     [](run_options &o, const char *a) { o.help_opt = a; }},
    {'b', false, "Binary output", nullptr, false,
     [](run_options &o, const char *) { set_flag(&run_options::output_binary, o); }},
    {'f', true, "flash_size (default: 65536)", nullptr, false,
     [](run_options &o, const char *a) {
         refuse_flash_size_in_otp(o.img); // before the argument is read
         set_flash_size(o.img, flash_size_or_die(a));
     }},
    {'F', false, "Output full flash_size", nullptr, false,
     [](run_options &o, const char *) { set_flag(&run_options::output_full, o); }},
    {'i', false, "Inverted", nullptr, false,
     [](run_options &o, const char *) { set_inverted(o.img); }},
    {'e', true, "Erase tag", nullptr, false,
     [](run_options &o, const char *a) { erase_tag(o.img, tag_or_die('e', a)); }},
    {'E', true, "Erase (unlocked) workaround tag", extra_usage_erase_workarounds, false,
     act_erase_workarounds},
    {'l', true, "Lock tag", nullptr, false,
     [](run_options &o, const char *a) { lock_tag(o.img, tag_or_die('l', a)); }},
    {'r', true, "Read binary input", nullptr, false,
     [](run_options &o, const char *a) { read_input(o.img, a); }},
    {'t', true, "Tag", nullptr, false, act_tag},
    {'d', true, "Add tag data", nullptr, false,
     [](run_options &o, const char *a) { add_tag_data(o.img, o.current_tag, a); }},
    {'v', false, "Verbose dump", nullptr, false,
     [](run_options &o, const char *) { o.dump = true; }},
    {'p', false, "Pretty dump", nullptr, false,
     [](run_options &o, const char *) { o.dump = o.pretty_dump = true; }},
    {'o', true, "Output location for -b or -p (for USER_APP if -p)", nullptr, false,
     [](run_options &o, const char *a) { o.output_location = a; }},
    {'S', false, "Dump split tag data", nullptr, false,
     [](run_options &o, const char *) { set_flag(&run_options::split_output, o); }},
    {'O', true, "Output directory for the split data (ignored without -S)", nullptr, false,
     [](run_options &o, const char *a) { o.split_dir = a; }},
    {'w', true, "HW bits to blow (with -i only)", extra_usage_HW_bits, false, act_hw_bits},
    {'N', false, "Show non-NVDS OTP bytes (HW bits) (with -ip or -iv only)", nullptr, false,
     act_show_hw_cfg},
    {'X', false, "Hide internal HW bits (with -N or -Hw only)", nullptr, false,
     [](run_options &o, const char *) { o.show_internal = false; }},
};
// clang-format on

// clang-format off
const long_opt long_opts[14] = {
    {"help", false, "Display this information and the long options", act_long_help},
    {"version", false, "Show the version", act_version},
    {"tags", false, "List the known tags: name, group and length", 
     [](run_options &o, const char *) { o.list_tags = true; }},
    {"json", false, "Output the image as a JSON document (to the -o file if given)",
     [](run_options &o, const char *) { o.json = true; }},
    {"check", false, "Check the image and report its problems (status 5 if any)",
     [](run_options &o, const char *) { o.check = true; }},
    {"manifest", true, "Put the records a JSON manifest describes",
     [](run_options &o, const char *a) { apply_manifest(o.img, a); }},
    {"set", true, "Put a record given as TAG=VALUE or TAG:TYPE=VALUE", act_set},
    {"compact", false, "Rewrite the image with its live records only",
     [](run_options &o, const char *) { compact_image(o.img); }},
    {"batch", true, "Write one image per row of a CSV table into the -O directory",
     [](run_options &o, const char *a) { o.batch = a; }},
    {"diff", true, "Compare the image with an image file (status 6 if they differ)",
     [](run_options &o, const char *a) { o.diff = a; }},
    {"ihex", false, "Image output as Intel HEX at the --base address, instead of -b",
     [](run_options &o, const char *) { o.records = int(record_format::intel_hex); }},
    {"srec", false, "Image output as Motorola S-records at the --base address, instead of -b",
     [](run_options &o, const char *) { o.records = int(record_format::srecord); }},
    {"base", true, "Address of the image in Intel HEX and S-record files (default 0)",
     [](run_options &, const char *a) { check_address("base", a, MAX_BASE); }},
    {"at", true, "Offset of the region in the files -r reads and -b -o writes",
     [](run_options &, const char *a) { check_address("at", a, MAX_OFFSET); }},
};
// clang-format on

void take_settings(int argc, char **argv, image &img)
{
    option_action check = find_long_opt("check")->action;
    option_action base = find_long_opt("base")->action;
    option_action at = find_long_opt("at")->action;
    option_scanner scanner{argc, argv};
    scanner.quiet = true;
    const char *arg = nullptr;
    bool error = false;
    for (option_action action; (action = scanner.next(&arg, &error));) {
        if (action == check)
            img.keep_damaged = true;
        if (std::optional<uint64_t> value = action == base ? address(arg, MAX_BASE) : std::nullopt)
            img.record_base = uint32_t(*value);
        if (std::optional<uint64_t> value =
                action == at ? address(arg, MAX_OFFSET) : std::nullopt) {
            img.region_offset = *value;
            img.region_offset_text = arg;
        }
    }
}

const long_opt *find_long_opt(std::string_view name)
{
    for (const long_opt &o : long_opts)
        if (name == o.name)
            return &o;
    return nullptr;
}

const opt *find_opt(char c)
{
    for (const opt &o : opts)
        if (o.c == c)
            return &o;
    return nullptr;
}

void usage(FILE *out, const char *argv0)
{
    std::fprintf(out, "Usage: %s [options]\n", program_name(argv0).c_str());
    std::fprintf(out, "Options:\n");
    for (const opt &o : opts)
        if (!o.hidden)
            std::fprintf(out, "  -%c %s  %s\n", o.c, o.has_arg ? "<arg>" : "     ", o.help);
}

void long_usage(FILE *out, const char *argv0)
{
    usage(out, argv0);
    std::fprintf(out, "Long options:\n");
    for (const long_opt &o : long_opts)
        std::fprintf(out, "  --%s %s  %s\n", o.name, o.has_arg ? "<arg>" : "     ", o.help);
}

void show_option_help(const char *arg, bool show_internal)
{
    if (std::strlen(arg) > 1)
        fail(EXIT_USAGE, format("ERROR: -H argument too long: %s\n", arg));
    const opt *o = arg[0] ? find_opt(arg[0]) : nullptr;
    if (!o)
        fail(EXIT_USAGE, format("ERROR: bad opt given for -H: %s\n", arg));
    if (o->extra_usage)
        o->extra_usage(stdout, "", show_internal);
    else
        std::printf("No help message for opt -%c\n", o->c);
}

} // namespace imgforge
