// Shared parts of the fuzz targets: quiet standard output, a private scratch
// directory, the fuzzed bytes as a file and the tool run in-process on it.
#ifndef IMGFORGE_FUZZ_COMMON_H
#define IMGFORGE_FUZZ_COMMON_H

#include "run.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <initializer_list>
#include <string>
#include <unistd.h>
#include <vector>

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

inline void write_input(const std::string &path, const uint8_t *data, size_t size)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);
}

// "imgforge options..." with each null option standing for `input`; its status.
inline int run_tool(const std::string &input, std::initializer_list<const char *> options)
{
    std::vector<std::string> args{"imgforge"};
    for (const char *o : options)
        args.push_back(o == nullptr ? input : o);
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return imgforge::run(int(args.size()), argv.data());
}

} // namespace fuzz

#endif
