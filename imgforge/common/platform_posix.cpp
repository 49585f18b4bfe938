// The platform on POSIX systems.
#ifndef _WIN32

#include "common/platform.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace imgforge {

namespace {

file_id id_of(const struct stat &st)
{
    return {uint64_t(st.st_dev), uint64_t(st.st_ino)};
}

std::string dir_of(const std::string &path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool set_stdout_binary()
{
    return true; // no text mode
}

bool is_terminal(FILE *stream)
{
    return isatty(fileno(stream));
}

int open_binary_read(const char *path)
{
    return open(path, O_RDONLY);
}

long long read_fd(int fd, void *buf, size_t n)
{
    return read(fd, buf, n);
}

void close_fd(int fd)
{
    close(fd);
}

bool size_of_fd(int fd, uint64_t &size, bool &regular)
{
    struct stat st;
    if (fstat(fd, &st) != 0)
        return false;
    size = uint64_t(st.st_size);
    regular = S_ISREG(st.st_mode);
    return true;
}

bool size_of_path(const char *path, uint64_t &size)
{
    struct stat st;
    if (stat(path, &st) != 0)
        return false;
    size = uint64_t(st.st_size);
    return true;
}

const char *null_device()
{
    return "/dev/null";
}

FILE *anonymous_temp_file()
{
    return std::tmpfile();
}

bool file_id_of_fd(int fd, file_id &id)
{
    struct stat st;
    if (fstat(fd, &st) != 0)
        return false;
    id = id_of(st);
    return true;
}

bool file_id_of_path(const char *path, file_id &id)
{
    struct stat st;
    if (stat(path, &st) != 0)
        return false;
    id = id_of(st);
    return true;
}

unsigned new_file_mode()
{
    static const unsigned mode = [] {
        mode_t mask = umask(0);
        umask(mask);
        return unsigned(0666 & ~mask);
    }();
    return mode;
}

path_info look_at(const char *path, bool follow)
{
    struct stat st;
    if ((follow ? stat(path, &st) : lstat(path, &st)) != 0)
        return {path_kind::missing, {}, 0};
    path_kind kind = S_ISREG(st.st_mode)   ? path_kind::regular
                     : S_ISLNK(st.st_mode) ? path_kind::link
                                           : path_kind::other;
    return {kind, id_of(st), unsigned(st.st_mode & 07777)};
}

std::string follow_links(const std::string &path)
{
    std::string p = path;
    // As many links as the system itself follows.
    for (int hops = 0; hops < 40; hops++) {
        struct stat st;
        if (lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return p;
        char link[PATH_MAX];
        ssize_t n = readlink(p.c_str(), link, sizeof link - 1);
        if (n < 0)
            return p;
        link[n] = '\0';
        p = link[0] == '/' ? std::string(link) : dir_of(p) + '/' + link;
    }
    return p;
}

FILE *create_temp_beside(const std::string &target, unsigned mode, std::string &temp)
{
    // Names that no other process picks: the process id and a sequence
    // started at the clock.
    static uint64_t sequence =
        uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    std::string stem = dir_of(target) + "/." + target.substr(target.find_last_of('/') + 1) + ".";
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; attempt++) {
        char suffix[40];
        std::snprintf(suffix, sizeof suffix, "%x-%llx", unsigned(getpid()),
                      static_cast<unsigned long long>(sequence++));
        temp = stem + suffix;
        // A new file gets its mode from the process's mask, as the target would.
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, mode_t(new_file_mode()));
        if (fd < 0 && errno != EEXIST)
            return nullptr;
    }
    if (fd < 0)
        return nullptr;
    FILE *stream =
        mode == new_file_mode() || fchmod(fd, mode_t(mode)) == 0 ? fdopen(fd, "wb") : nullptr;
    if (!stream) {
        int error = errno;
        close(fd);
        unlink(temp.c_str());
        errno = error;
    }
    return stream;
}

bool flush_stream(FILE *stream)
{
    return std::fflush(stream) == 0;
}

bool sync_stream(FILE *stream)
{
    return std::fflush(stream) == 0 && fsync(fileno(stream)) == 0;
}

bool replace_file(const std::string &temp, const std::string &target)
{
    return std::rename(temp.c_str(), target.c_str()) == 0;
}

void advise_large_buffer(void *buf, size_t size)
{
#ifdef MADV_HUGEPAGE
    constexpr uintptr_t huge = uintptr_t(2) << 20;
    uintptr_t start = (reinterpret_cast<uintptr_t>(buf) + huge - 1) & ~(huge - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(buf) + size) & ~(huge - 1);
    if (end > start)
        madvise(reinterpret_cast<void *>(start), end - start, MADV_HUGEPAGE);
#else
    (void)buf;
    (void)size;
#endif
}

void sync_file_system(const char *dir)
{
    int fd = open(dir, O_RDONLY);
    if (fd < 0) {
        sync();
        return;
    }
    syncfs(fd);
    close(fd);
}

} // namespace imgforge

#endif
