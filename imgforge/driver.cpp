#include "driver.h"

#include "args.h"
#include "fatal.h"
#include "hw_cfg.h"
#include "image.h"
#include "listing.h"
#include "nvds.h"
#include "output.h"
#include "platform.h"
#include "pretty.h"

#include <cstring>

namespace imgforge {

namespace {

void set_flag(bool run_options::*flag, run_options &o)
{
    o.*flag = true;
}

void act_help(run_options &o, const char *)
{
    usage(stdout, o.argv0);
    die(EXIT_OK);
}

// Tag 0 would mean "no tag selected".
void act_tag(run_options &o, const char *arg)
{
    o.current_tag = tag_or_die('t', arg, 1);
}

uint8_t *hw_cfg_word()
{
    return nvds_buf + buf_size - HW_CFG_BYTES;
}

void act_hw_bits(run_options &, const char *arg)
{
    if (!nvds_inverted) {
        std::fprintf(stderr, "ERROR: must specify -i before -w '%s'\n", arg);
        die(EXIT_USAGE);
    }
    blow_hw_bits(hw_cfg_word(), hw_bits_to_blow(arg));
}

void act_show_hw_cfg(run_options &o, const char *)
{
    if (!nvds_inverted) {
        std::fprintf(stderr, "ERROR: must specify -i before -N\n");
        die(EXIT_USAGE);
    }
    if (!o.dump) {
        std::fprintf(stderr, "ERROR: must specify -p or -v before -N\n");
        die(EXIT_USAGE);
    }
    o.show_hw_cfg = true;
}

} // namespace

// clang-format off
const opt opts[20] = {
    {'h', false, "Display this information", nullptr, false, act_help},
    {'H', true, "Show help message for an option (e.g. -H w)", nullptr, false,
     [](run_options &o, const char *a) { o.help_opt = a; }},
    {'b', false, "Binary output", nullptr, false,
     [](run_options &o, const char *) { set_flag(&run_options::output_binary, o); }},
    {'f', true, "flash_size (default: 65536)", nullptr, false,
     [](run_options &, const char *a) { set_flash_size(a); }},
    {'F', false, "Output full flash_size", nullptr, false,
     [](run_options &o, const char *) { set_flag(&run_options::output_full, o); }},
    {'i', false, "Inverted", nullptr, false, [](run_options &, const char *) { set_inverted(); }},
    {'e', true, "Erase tag", nullptr, false, [](run_options &, const char *a) { erase_tag('e', a); }},
    {'E', true, "Erase (unlocked) workaround tag", extra_usage_erase_workarounds, false,
     [](run_options &, const char *a) { erase_tag('E', a); }},
    {'l', true, "Lock tag", nullptr, false, [](run_options &, const char *a) { lock_tag(a); }},
    {'r', true, "Read binary input", nullptr, false,
     [](run_options &, const char *a) { read_input(a); }},
    {'t', true, "Tag", nullptr, false, act_tag},
    {'d', true, "Add tag data", nullptr, false,
     [](run_options &o, const char *a) { add_tag_data(o.current_tag, a); }},
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
     [](run_options &, const char *) { show_int_hw_cfg = false; }},
};
// clang-format on

namespace {

const opt *find_opt(char c)
{
    for (const opt &o : opts)
        if (o.c == c)
            return &o;
    return nullptr;
}

// POSIX option scanning without reordering: stops at the first argument that
// is not an option, or after "--".
struct option_scanner {
    int argc;
    char **argv;
    int index = 1;
    int pos = 0; // position inside a group of options such as -bF

    // Returns the option's row, or nullptr at the end; sets *error for an
    // unknown option or a missing argument (after printing the message).
    const opt *next(const char **arg, bool *error)
    {
        *error = false;
        if (pos == 0) {
            if (index >= argc)
                return nullptr;
            const char *a = argv[index];
            if (a[0] != '-' || a[1] == '\0')
                return nullptr;
            if (std::strcmp(a, "--") == 0) {
                index++;
                return nullptr;
            }
            pos = 1;
        }
        const char *group = argv[index];
        char c = group[pos++];
        bool group_ends = group[pos] == '\0';
        const opt *o = find_opt(c);
        if (!o || !o->has_arg) {
            if (group_ends)
                advance();
            if (!o)
                report(error, "unknown option", c);
            return o;
        }
        if (!group_ends) {
            *arg = group + pos;
            advance();
            return o;
        }
        advance();
        if (index >= argc) {
            report(error, "option requires an argument", c);
            return o;
        }
        *arg = argv[index++];
        return o;
    }

    void advance()
    {
        index++;
        pos = 0;
    }

    void report(bool *error, const char *what, char c)
    {
        std::fprintf(stderr, "%s: %s -- %c\n", argv[0], what, c);
        *error = true;
    }
};

// -X only makes sense with -N or the help of -w.
void check_hide_rule(const run_options &o)
{
    if (!show_int_hw_cfg && !o.show_hw_cfg && !(o.help_opt && o.help_opt[0] == 'w')) {
        std::fprintf(stderr, "ERROR: -X specified without -N or -Hw\n");
        die(EXIT_USAGE);
    }
}

void show_option_help(const char *arg)
{
    if (std::strlen(arg) > 1) {
        std::fprintf(stderr, "ERROR: -H argument too long: %s\n", arg);
        die(EXIT_USAGE);
    }
    const opt *o = arg[0] ? find_opt(arg[0]) : nullptr;
    if (!o) {
        std::fprintf(stderr, "ERROR: bad opt given for -H: %s\n", arg);
        die(EXIT_USAGE);
    }
    if (o->extra_usage)
        o->extra_usage(stdout, "");
    else
        std::printf("No help message for opt -%c\n", o->c);
}

void final_phase(const run_options &o)
{
    check_hide_rule(o);
    if (o.help_opt) {
        show_option_help(o.help_opt);
        return;
    }
    if (o.output_location && !o.pretty_dump && !o.output_binary)
        std::fprintf(stderr, "WARNING: -o specified without -p or -b\n");
    if (o.dump) {
        if (o.show_hw_cfg)
            print_hw_cfg(get_hw_cfg(hw_cfg_word()), o.pretty_dump);
        else if (o.pretty_dump)
            pretty_dump(o.output_location);
        else
            list_records();
        return;
    }
    if (o.split_output) {
        split_records(o.split_dir);
        return;
    }
    write_image(o.output_binary, o.output_full, o.output_location);
}

} // namespace

void usage(FILE *out, const char *argv0)
{
    std::fprintf(out, "Usage: %s [options]\n", program_name(argv0));
    std::fprintf(out, "Options:\n");
    for (const opt &o : opts)
        if (!o.hidden)
            std::fprintf(out, "  -%c %s  %s\n", o.c, o.has_arg ? "<arg>" : "     ", o.help);
}

void drive(int argc, char **argv)
{
    run_options o;
    o.argv0 = argc > 0 ? argv[0] : "imgforge";
    option_scanner scanner{argc, argv};
    for (;;) {
        const char *arg = nullptr;
        bool error = false;
        const opt *row = scanner.next(&arg, &error);
        if (error) {
            usage(stderr, o.argv0);
            die(EXIT_USAGE);
        }
        if (!row)
            break;
        row->action(o, arg);
    }
    if (scanner.index < argc)
        std::fprintf(stderr, "WARNING: ignoring '%s' and every argument after it\n",
                     argv[scanner.index]);
    final_phase(o);
}

} // namespace imgforge
