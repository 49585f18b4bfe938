#include "files.h"

#include "fatal.h"
#include "platform.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace imgforge {

bool file_size(const char *path, uint64_t *size)
{
    struct stat st;
    if (stat(path, &st) != 0)
        return false;
    *size = uint64_t(st.st_size);
    return true;
}

size_t read_file_prefix(const char *path, uint8_t *buf, size_t capacity, const char *read_error,
                        bool *more)
{
    int fd = open_binary_read(path);
    if (fd < 0) {
        std::fprintf(stderr, "ERROR: open(%s) failed: %s\n", path, std::strerror(errno));
        die(EXIT_FILE);
    }
    size_t got = 0;
    for (;;) {
        uint8_t extra;
        bool probing = got == capacity;
        ssize_t n = probing ? read(fd, &extra, 1) : read(fd, buf + got, capacity - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            std::perror(read_error);
            close(fd);
            die(EXIT_FILE);
        }
        if (n == 0 || probing) {
            if (more)
                *more = n > 0;
            break;
        }
        got += size_t(n);
    }
    close(fd);
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
