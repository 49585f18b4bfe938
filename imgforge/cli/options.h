// The option table: each option's letter, argument, help text, extra help
// and the action taken when the option is read; the usage text and the help
// of one option (-H).
#ifndef IMGFORGE_CLI_OPTIONS_H
#define IMGFORGE_CLI_OPTIONS_H

#include "common/sink.h"
#include "image/image.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace imgforge {

// Driver state of one run: the image it builds and the choices of output.
struct run_options {
    explicit run_options(image &img) : img(img) {}
    image &img;
    text_sink out; // listings (standard output)
    text_sink err; // messages (standard error)
    const char *argv0 = "";
    uint8_t current_tag = 0;               // -t; 0 means no tag selected
    const char *help_opt = nullptr;        // -H
    bool split_output = false;             // -S
    const char *split_dir = ".";           // -O
    bool pretty_dump = false;              // -p
    bool dump = false;                     // -v, -p
    const char *output_location = nullptr; // -o
    bool show_hw_cfg = false;              // -N
    bool output_binary = false;            // -b
    bool output_full = false;              // -F
    bool list_tags = false;                // --tags
    bool json = false;                     // --json
    bool check = false;                    // --check
    const char *batch = nullptr;           // --batch
    const char *diff = nullptr;            // --diff
    int records = -1;                      // --ihex, --srec: a record_format
    bool show_internal = true;             // internal HW fields; -X clears it
};

using option_action = void (*)(run_options &o, const char *arg);

struct opt {
    char c;
    bool has_arg;
    const char *help;
    // Extra help: every line begins with `prefix`; internal HW fields are
    // shown with `show_internal`.
    void (*extra_usage)(FILE *out, const char *prefix, bool show_internal);
    bool hidden;
    option_action action;
};

// Long options stand beside the short ones: --name, --name=VALUE or
// --name VALUE.
struct long_opt {
    const char *name;
    bool has_arg;
    const char *help;
    option_action action;
};

extern const opt opts[20];
extern const long_opt long_opts[14];

// The row of option `c` or `--name`, or nullptr.
const opt *find_opt(char c);
const long_opt *find_long_opt(std::string_view name);

void usage(FILE *out, const char *argv0);

// --help: the usage, then the long options.
void long_usage(FILE *out, const char *argv0);

// -H: the extra help of one option, or "No help message for opt -c".
void show_option_help(const char *arg, bool show_internal);

// The settings that apply wherever they stand on the command line (--check,
// --base, --at), taken before any option acts; an argument that does not
// parse is left for its option to refuse.
void take_settings(int argc, char **argv, image &img);

} // namespace imgforge

#endif
