// POSIX option scanning without reordering: stops at the first argument
// that is not an option, or after "--".
#ifndef IMGFORGE_CLI_SCANNER_H
#define IMGFORGE_CLI_SCANNER_H

#include "cli/options.h"

#include <string_view>

namespace imgforge {

// Short options (-b, -bF, -t0a, -t 0a) and long ones (--json,
// --name=VALUE, --name VALUE).
struct option_scanner {
    int argc;
    char **argv;
    bool quiet = false; // no messages for errors
    int index = 1;
    int pos = 0;            // position inside a group of options such as -bF
    bool with_usage = true; // the last error wants the usage after its message

    // Returns the option's action, or nullptr at the end or on an error;
    // sets *error for an unknown option or a bad argument (after printing
    // the message).
    option_action next(const char **arg, bool *error);

  private:
    option_action next_long(const char **arg, bool *error);
    void advance();
    void report(bool *error, const char *what, char c);
    void report_long(bool *error, const char *format, std::string_view name);
    void report_unknown_long(bool *error, std::string_view name);
};

// The long option nearest to `name` (Levenshtein distance at most 2, the
// first in --help order on a tie), or nullptr.
const long_opt *nearest_long_opt(std::string_view name);

} // namespace imgforge

#endif
