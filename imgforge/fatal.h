// One exit: a fatal condition prints its message and throws; run() turns the
// exception into the process exit status.
#ifndef IMGFORGE_FATAL_H
#define IMGFORGE_FATAL_H

namespace imgforge {

enum exit_status : int {
    EXIT_OK = 0,
    EXIT_USAGE = 1,    // bad command line
    EXIT_FILE = 2,     // file and stream errors
    EXIT_REFUSED = 3,  // engine refusals, allocation, OTP rules, table faults
    EXIT_ASSERT = 4,   // assertion diagnostic
    EXIT_PROBLEMS = 5, // --check found problems
};

struct fatal {
    int status;
};

[[noreturn]] inline void die(int status)
{
    throw fatal{status};
}

} // namespace imgforge

#endif
