#include "run.h"

#include "cli/driver.h"
#include "cli/interrupts.h"
#include "error.h"
#include "otp/hw_cfg.h"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <new>

namespace imgforge {

namespace {

// Standard output is flushed first, so that what the run printed before the
// failure comes before its message.
int report(int status, const std::string &text)
{
    std::fflush(stdout);
    std::fputs(text.c_str(), stderr);
    return status;
}

int run_guarded(int argc, char **argv, const temp_observer *temps)
{
    try {
        check_hw_cfg_tab();
        image img;
        img.env.warnings = text_sink(stderr);
        img.env.temps = temps;
        run_options o(img);
        o.err = text_sink(stderr);
        o.out = text_sink(stdout, &o.err);
        drive(argc, argv, o);
        return EXIT_OK;
    } catch (const error &e) {
        return report(e.status, e.text);
    } catch (const std::bad_alloc &) {
        errno = ENOMEM;
        std::fflush(stdout);
        std::perror("Unable to malloc buffer: ");
        return EXIT_REFUSED;
    } catch (const std::exception &e) {
        return report(EXIT_ASSERT, std::string("INTERNAL ERROR: ") + e.what() + "\n");
    } catch (...) {
        return report(EXIT_ASSERT, "INTERNAL ERROR: an unknown exception\n");
    }
}

} // namespace

int run(int argc, char **argv)
{
    interrupt_cleanup cleanup;
    int status = run_guarded(argc, argv, cleanup.temps());
    // Listings and images go to standard output: a failed write is a failed run.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::clearerr(stdout);
        std::fprintf(stderr, "ERROR: failed to write to standard output\n");
        if (status == EXIT_OK)
            status = EXIT_FILE;
    }
    return status;
}

} // namespace imgforge
