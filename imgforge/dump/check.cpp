#include "dump/check.h"

#include "fatal.h"

#include <cstdio>

namespace imgforge {

void assert_fail(const char *condition, const char *file, int line)
{
    std::fflush(stdout);
    std::fprintf(stderr, "ASSERT ERR(%s) at %s:%d\n", condition, file, line);
    die(EXIT_ASSERT);
}

} // namespace imgforge
