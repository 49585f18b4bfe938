#include "files.h"

#include "fatal.h"
#include "platform.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace imgforge {

input_file open_input(const char *path)
{
    input_file file{open_binary_read(path), 0, false};
    struct stat st;
    if (file.fd >= 0 && fstat(file.fd, &st) == 0) {
        file.size = uint64_t(st.st_size);
        file.regular = S_ISREG(st.st_mode);
    }
    return file;
}

bool file_size(const char *path, uint64_t *size)
{
    struct stat st;
    if (stat(path, &st) != 0)
        return false;
    *size = uint64_t(st.st_size);
    return true;
}

void fail_open(const char *path, int error)
{
    std::fprintf(stderr, "ERROR: open(%s) failed: %s\n", path, std::strerror(error));
    die(EXIT_FILE);
}

size_t read_input_file(input_file &file, uint8_t *buf, size_t capacity, const char *read_error,
                       bool *more)
{
    size_t got = 0;
    bool at_end = false;
    // A regular file ends at its size; anything else is read until it says so.
    while (got < capacity && !(file.regular && got >= file.size)) {
        ssize_t n = read(file.fd, buf + got, capacity - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            std::perror(read_error);
            close(file.fd);
            die(EXIT_FILE);
        }
        if (n == 0) {
            at_end = true;
            break;
        }
        got += size_t(n);
    }
    if (more) {
        uint8_t extra;
        *more = !at_end && got == capacity && read(file.fd, &extra, 1) > 0;
    }
    close(file.fd);
    return got;
}

FILE *open_output(const char *path)
{
    FILE *file = std::fopen(path, "wb+");
    if (!file)
        std::fprintf(stderr, "Failed to open file '%s': %s\n", path, std::strerror(errno));
    return file;
}

bool close_output(FILE *file, const char *path)
{
    if (std::fclose(file) == 0)
        return true;
    std::fprintf(stderr, "Failed to close file '%s': %s", path, std::strerror(errno));
    return false;
}

} // namespace imgforge
