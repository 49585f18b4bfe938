// The whole tool as one call: parses the command line, acts, writes the one
// output and returns the exit status. The only place a fatal error becomes a
// status; main() and the fuzz targets both call it.
#ifndef IMGFORGE_RUN_H
#define IMGFORGE_RUN_H

namespace imgforge {

int run(int argc, char **argv);

} // namespace imgforge

#endif
