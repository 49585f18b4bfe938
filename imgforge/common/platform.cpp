// What every system shares; platform_posix.cpp and platform_windows.cpp hold
// what differs.
#include "common/platform.h"

#include <chrono>
#include <cstdio>
#include <cstring>

namespace imgforge {

std::string program_name(const char *argv0)
{
    const char *name = argv0;
    for (const char *p = argv0; *p; p++)
        if (*p == '/' || *p == DIR_SEPARATOR)
            name = p + 1;
    std::string stem = name;
#ifdef _WIN32
    // "imgforge.exe" is the program imgforge.
    size_t n = stem.size();
    if (n > 4 && (stem.compare(n - 4, 4, ".exe") == 0 || stem.compare(n - 4, 4, ".EXE") == 0))
        stem.resize(n - 4);
#endif
    return stem;
}

std::string invocation_name(const char *argv0)
{
#ifdef _WIN32
    return program_name(argv0);
#else
    return argv0;
#endif
}

std::string temp_file_name(uint64_t process, unsigned attempt)
{
    // The clock, the process and the attempt, mixed so that any bit of them
    // changes every digit (splitmix64).
    uint64_t x = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    x ^= process << 40 ^ uint64_t(attempt) << 20;
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    char name[32];
    std::snprintf(name, sizeof name, ".imgforge-%012llx",
                  static_cast<unsigned long long>(x & 0xFFFFFFFFFFFFull));
    return name;
}

bool is_standard_output(const file_id &id)
{
    file_id out;
    return (file_id_of_fd(1, out) && out == id) || (file_id_of_fd(2, out) && out == id);
}

path_kind kind_of_path(const char *path)
{
    return look_at(path, true).kind;
}

} // namespace imgforge
