#include "run.h"

#include "cli/driver.h"
#include "cli/interrupts.h"
#include "common/files.h"
#include "fatal.h"
#include "image/buffers.h"
#include "nvds.h"
#include "otp/hw_cfg.h"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <new>

namespace imgforge {

namespace {

int run_guarded(int argc, char **argv)
{
    try {
        show_int_hw_cfg = true;
        check_hw_cfg_tab();
        forget_inputs();
        image_start();
        drive(argc, argv);
        return EXIT_OK;
    } catch (const fatal &f) {
        return f.status;
    } catch (const nvds_abort &a) {
        return a.status;
    } catch (const std::bad_alloc &) {
        std::fflush(stdout);
        errno = ENOMEM;
        std::perror("Unable to malloc buffer: ");
        return EXIT_REFUSED;
    } catch (const std::exception &e) {
        std::fflush(stdout);
        std::fprintf(stderr, "INTERNAL ERROR: %s\n", e.what());
        return EXIT_ASSERT;
    } catch (...) {
        std::fflush(stdout);
        std::fprintf(stderr, "INTERNAL ERROR: an unknown exception\n");
        return EXIT_ASSERT;
    }
}

} // namespace

int run(int argc, char **argv)
{
    interrupt_cleanup cleanup;
    int status = run_guarded(argc, argv);
    image_release();
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
