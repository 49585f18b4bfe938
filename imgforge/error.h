// One exit: a failure in the core is an error value that carries the text to
// print and the exit status; only the command line prints it and ends the
// run, so no library user's process is ever ended by a bad image.
#ifndef IMGFORGE_ERROR_H
#define IMGFORGE_ERROR_H

#include <string>
#include <utility>

namespace imgforge {

enum exit_status : int {
    EXIT_OK = 0,
    EXIT_USAGE = 1,     // bad command line
    EXIT_FILE = 2,      // file and stream errors
    EXIT_REFUSED = 3,   // engine refusals, allocation, OTP rules, table faults
    EXIT_ASSERT = 4,    // assertion diagnostic, faults of the tool itself
    EXIT_PROBLEMS = 5,  // --check found problems
    EXIT_DIFFERENT = 6, // --diff found differences
};

// The text is printed on standard error as it stands: whole lines, several
// for some failures, none for a failure already reported.
struct error {
    int status;
    std::string text;
};

[[noreturn]] inline void fail(int status, std::string text)
{
    throw error{status, std::move(text)};
}

} // namespace imgforge

#endif
