#include "platform.h"

#include <cstring>
#include <fcntl.h>

#ifdef _WIN32
#include <io.h>
#include <stdio.h>
#endif

namespace imgforge {

bool set_stdout_binary()
{
#ifdef _WIN32
    return _setmode(_fileno(stdout), _O_BINARY) != -1;
#else
    return true;
#endif
}

int open_binary_read(const char *path)
{
#ifdef _WIN32
    return open(path, O_RDONLY | O_BINARY);
#else
    return open(path, O_RDONLY);
#endif
}

const char *program_name(const char *argv0)
{
    const char *name = argv0;
    for (const char *p = argv0; *p; p++)
        if (*p == '/' || *p == DIR_SEPARATOR)
            name = p + 1;
    return name;
}

} // namespace imgforge
