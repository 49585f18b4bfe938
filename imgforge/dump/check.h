// Assertion diagnostic of the decoded dump: same text and status as the
// engine's, pointing at the tool source that checked.
#ifndef IMGFORGE_DUMP_CHECK_H
#define IMGFORGE_DUMP_CHECK_H

namespace imgforge {

// Throws "ASSERT ERR(<condition>) at <file>:<line>" with status 4.
[[noreturn]] void assert_fail(const char *condition, const char *file, int line);

} // namespace imgforge

#define IMGFORGE_ASSERT(cond_text, ok)                                                             \
    do {                                                                                           \
        if (!(ok))                                                                                 \
            ::imgforge::assert_fail(cond_text, __FILE__, __LINE__);                                \
    } while (0)

#endif
