// The option table: each option's letter, argument, help text, extra help
// and the action taken when the option is read; the usage text and the help
// of one option (-H).
#ifndef IMGFORGE_CLI_OPTIONS_H
#define IMGFORGE_CLI_OPTIONS_H

#include <cstdint>
#include <cstdio>

namespace imgforge {

// Driver state of one run.
struct run_options {
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
};

struct opt {
    char c;
    bool has_arg;
    const char *help;
    void (*extra_usage)(FILE *out, const char *prefix);
    bool hidden;
    void (*action)(run_options &o, const char *arg);
};

extern const opt opts[20];

// The row of option `c`, or nullptr.
const opt *find_opt(char c);

void usage(FILE *out, const char *argv0);

// -H: the extra help of one option, or "No help message for opt -c".
void show_option_help(const char *arg);

// The 32-bit hardware configuration word at the end of the OTP image.
uint8_t *hw_cfg_word();

} // namespace imgforge

#endif
