// What every system shares; platform_posix.cpp and platform_windows.cpp hold
// what differs.
#include "common/platform.h"

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
