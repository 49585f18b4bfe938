// What every system shares; platform_posix.cpp and platform_windows.cpp hold
// what differs.
#include "common/platform.h"

#include <cstring>
#include <fcntl.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace imgforge {

const char *program_name(const char *argv0)
{
    const char *name = argv0;
    for (const char *p = argv0; *p; p++)
        if (*p == '/' || *p == DIR_SEPARATOR)
            name = p + 1;
#ifdef _WIN32
    // "imgforge.exe" is the program imgforge.
    static std::string stem;
    size_t n = std::strlen(name);
    if (n > 4 && (std::strcmp(name + n - 4, ".exe") == 0 || std::strcmp(name + n - 4, ".EXE") == 0))
        return (stem = std::string(name, n - 4)).c_str();
#endif
    return name;
}

const char *invocation_name(const char *argv0)
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

bool output_capture::start()
{
    std::fflush(stdout);
    std::fflush(stderr);
    file = anonymous_temp_file();
    if (!file)
        return false;
    int null = open(null_device(), O_WRONLY);
    saved_out = dup(1);
    saved_err = dup(2);
    dup2(fileno(file), 1);
    if (null >= 0) {
        dup2(null, 2);
        close(null);
    }
    // The stream learns the new file's position; later positions come from
    // the stream without a system call.
    std::fseek(stdout, 0, SEEK_SET);
    return true;
}

uint64_t output_capture::position()
{
    long at = std::ftell(stdout);
    return at < 0 ? 0 : uint64_t(at);
}

std::string output_capture::finish()
{
    std::string text(size_t(position()), '\0');
    std::fflush(stdout);
    std::rewind(file);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    restore();
    return text;
}

void output_capture::restore()
{
    if (!file)
        return;
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(saved_out, 1);
    dup2(saved_err, 2);
    close(saved_out);
    close(saved_err);
    std::fclose(file);
    file = nullptr;
}

output_capture::~output_capture()
{
    restore();
}

} // namespace imgforge
