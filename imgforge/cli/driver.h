// The run's command line: the option loop that acts on each option in
// order, and the final phase that makes the run's one output.
#ifndef IMGFORGE_CLI_DRIVER_H
#define IMGFORGE_CLI_DRIVER_H

namespace imgforge {

// Runs the option loop and the final phase; returns normally only after a
// successful output.
void drive(int argc, char **argv);

} // namespace imgforge

#endif
