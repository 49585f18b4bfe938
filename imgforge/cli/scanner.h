// POSIX option scanning without reordering: stops at the first argument
// that is not an option, or after "--".
#ifndef IMGFORGE_CLI_SCANNER_H
#define IMGFORGE_CLI_SCANNER_H

#include "cli/options.h"

namespace imgforge {

struct option_scanner {
    int argc;
    char **argv;
    int index = 1;
    int pos = 0; // position inside a group of options such as -bF

    // Returns the option's row, or nullptr at the end; sets *error for an
    // unknown option or a missing argument (after printing the message).
    const opt *next(const char **arg, bool *error);

  private:
    void advance();
    void report(bool *error, const char *what, char c);
};

} // namespace imgforge

#endif
