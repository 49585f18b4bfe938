// The run's command line: the option loop that acts on each option in
// order, and the final phase that makes the run's one output.
#ifndef IMGFORGE_CLI_DRIVER_H
#define IMGFORGE_CLI_DRIVER_H

#include "cli/options.h"

namespace imgforge {

// Runs the option loop over the image in `o` and the final phase; returns
// normally only after a successful output.
void drive(int argc, char **argv, run_options &o);

} // namespace imgforge

#endif
