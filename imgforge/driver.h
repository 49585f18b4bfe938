// The command line: the option table, usage and per-option help, the option
// loop that acts on each option in order, and the final phase that makes the
// run's one output.
#ifndef IMGFORGE_DRIVER_H
#define IMGFORGE_DRIVER_H

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
    bool hide_internal = false;            // -X
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

void usage(FILE *out, const char *argv0);

// Runs the option loop and the final phase; returns normally only after a
// successful output.
void drive(int argc, char **argv);

} // namespace imgforge

#endif
