// Shared set-up of the fuzz targets: quiet standard output and a private
// scratch directory.
#ifndef IMGFORGE_FUZZ_COMMON_H
#define IMGFORGE_FUZZ_COMMON_H

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace fuzz {

// Listings go nowhere; diagnostics stay on standard error.
inline void silence_stdout()
{
    int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        dup2(null, 1);
        close(null);
    }
}

inline const std::string &scratch_dir()
{
    static const std::string dir = [] {
        char tmpl[] = "/tmp/imgforge-fuzz-XXXXXX";
        const char *made = mkdtemp(tmpl);
        if (!made)
            std::abort();
        return std::string(made);
    }();
    return dir;
}

} // namespace fuzz

#endif
