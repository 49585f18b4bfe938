#include "dump/check.h"

#include "common/format.h"
#include "error.h"

namespace imgforge {

void assert_fail(const char *condition, const char *file, int line)
{
    fail(EXIT_ASSERT, format("ASSERT ERR(%s) at %s:%d\n", condition, file, line));
}

} // namespace imgforge
