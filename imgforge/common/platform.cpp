#include "common/platform.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Permission bits of a new file: 0666 less the process's mask.
mode_t new_file_mode()
{
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

} // namespace

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

bool is_standard_output(const char *path)
{
    file_id id, out;
    if (!file_id_of_path(path, id))
        return false;
    return (file_id_of_fd(1, out) && out == id) || (file_id_of_fd(2, out) && out == id);
}

path_kind kind_of_path(const char *path)
{
    struct stat st;
    if (stat(path, &st) != 0)
        return path_kind::missing;
    return S_ISREG(st.st_mode) ? path_kind::regular : path_kind::other;
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

FILE *create_temp_beside(const std::string &target, std::string &temp)
{
    std::string dir = dir_of(target);
    std::string base = target.substr(target.find_last_of('/') + 1);
    temp = dir + "/." + base + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0)
        return nullptr;
    struct stat st;
    mode_t mode = stat(target.c_str(), &st) == 0 ? st.st_mode & 07777 : new_file_mode();
    FILE *stream = fchmod(fd, mode) == 0 ? fdopen(fd, "wb") : nullptr;
    if (!stream) {
        int error = errno;
        close(fd);
        unlink(temp.c_str());
        errno = error;
    }
    return stream;
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

bool output_capture::start()
{
    std::fflush(stdout);
    std::fflush(stderr);
    file = std::tmpfile();
    if (!file)
        return false;
#ifdef _WIN32
    int null = open("NUL", O_WRONLY);
#else
    int null = open("/dev/null", O_WRONLY);
#endif
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
