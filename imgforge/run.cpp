#include "run.h"

#include "fatal.h"
#include "nvds.h"

#include <cstdio>

namespace imgforge {

int run(int argc, char **argv)
{
    (void)argc;
    (void)argv;
    try {
        return EXIT_OK;
    } catch (const fatal &f) {
        return f.status;
    } catch (const nvds_abort &a) {
        return a.status;
    }
}

} // namespace imgforge
