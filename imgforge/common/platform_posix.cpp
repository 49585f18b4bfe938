// The platform on POSIX systems.
#ifndef _WIN32

#include "common/platform.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

int standard_input_binary()
{
    return 0; // no text mode
}

long long read_fd(int fd, void *buf, size_t n)
{
    return read(fd, buf, n);
}

void close_fd(int fd)
{
    close(fd);
}

bool seek_fd(int fd, uint64_t offset)
{
    return offset <= uint64_t(INT64_MAX) && lseek(fd, off_t(offset), SEEK_SET) >= 0;
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

path_info look_at(const char *path, bool follow)
{
    struct stat st;
    if ((follow ? stat(path, &st) : lstat(path, &st)) != 0)
        return {path_kind::missing, {}, 0, 0, 0};
    path_kind kind = S_ISREG(st.st_mode)   ? path_kind::regular
                     : S_ISLNK(st.st_mode) ? path_kind::link
                     : S_ISDIR(st.st_mode) ? path_kind::folder
                                           : path_kind::other;
    return {kind, id_of(st), unsigned(st.st_mode & 07777), unsigned(st.st_uid),
            unsigned(st.st_gid)};
}

namespace {

// A link that another user planted in a shared folder such as /tmp: the
// folder is sticky and writable by all, and the link belongs neither to us
// nor to the folder's owner.
bool planted_link(const std::string &folder, const struct stat &link)
{
    struct stat dir;
    if (stat(folder.empty() ? "." : folder.c_str(), &dir) != 0)
        return false;
    bool shared = (dir.st_mode & S_ISVTX) && (dir.st_mode & S_IWOTH);
    return shared && link.st_uid != geteuid() && link.st_uid != dir.st_uid;
}

// The components of a path, in order.
std::vector<std::string> components(const std::string &path)
{
    std::vector<std::string> parts;
    for (size_t at = 0; at < path.size();) {
        size_t slash = path.find('/', at);
        size_t end = slash == std::string::npos ? path.size() : slash;
        if (end > at)
            parts.push_back(path.substr(at, end - at));
        at = end + 1;
    }
    return parts;
}

} // namespace

bool resolve_links(const std::string &path, std::string &resolved, std::string &refused)
{
    // Components still to walk, the next one last.
    std::vector<std::string> todo = components(path);
    std::reverse(todo.begin(), todo.end());
    std::string done(!path.empty() && path[0] == '/' ? 1 : 0, '/');
    auto joined = [&](const std::string &part) {
        std::string next = done;
        if (!next.empty() && next.back() != '/')
            next.push_back('/');
        return next.append(part);
    };
    // As many links as the system itself follows.
    for (int links = 0; !todo.empty();) {
        std::string part = std::move(todo.back());
        todo.pop_back();
        if (part == ".")
            continue;
        std::string next = joined(part);
        struct stat st;
        if (part == ".." || lstat(next.c_str(), &st) != 0 || !S_ISLNK(st.st_mode) || ++links > 40) {
            done = next;
            continue;
        }
        if (planted_link(done, st)) {
            refused = next;
            return false;
        }
        char target[PATH_MAX];
        ssize_t n = readlink(next.c_str(), target, sizeof target - 1);
        if (n <= 0) {
            done = next;
            continue;
        }
        std::string link(target, size_t(n));
        std::vector<std::string> more = components(link);
        todo.insert(todo.end(), more.rbegin(), more.rend());
        if (link[0] == '/')
            done.assign(1, '/');
    }
    resolved = done.empty() ? "." : done;
    return true;
}

std::string temp_name_beside(const std::string &target, unsigned attempt)
{
    return dir_of(target) + '/' + temp_file_name(uint64_t(getpid()), attempt);
}

FILE *create_new_file(const std::string &path, const path_info *like)
{
    // A new file gets its mode from the process's mask, as the target would.
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0)
        return nullptr;
    bool ok = true;
    if (like) {
        // Owner first: a change of owner may clear the set-id bits.
        if (like->owner != unsigned(geteuid()) || like->group != unsigned(getegid()))
            (void)!fchown(fd, uid_t(like->owner), gid_t(like->group));
        ok = fchmod(fd, mode_t(like->mode)) == 0;
    }
    FILE *stream = ok ? fdopen(fd, "wb") : nullptr;
    if (!stream) {
        int error = errno;
        close(fd);
        unlink(path.c_str());
        errno = error;
    }
    return stream;
}

bool make_folders(const std::string &dir)
{
    struct stat st;
    if (stat(dir.c_str(), &st) == 0) {
        errno = ENOTDIR;
        return S_ISDIR(st.st_mode);
    }
    size_t slash = dir.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !make_folders(dir.substr(0, slash)))
        return false;
    return mkdir(dir.c_str(), 0777) == 0 || errno == EEXIST;
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

#ifdef __GLIBC__
namespace {

struct taker {
    stream_taker take;
    void *context;
};

} // namespace

FILE *open_taker_stream(stream_taker take, void *context)
{
    cookie_io_functions_t io{};
    io.write = [](void *cookie, const char *data, size_t n) -> ssize_t {
        taker &t = *static_cast<taker *>(cookie);
        t.take(t.context, data, n);
        return ssize_t(n);
    };
    io.close = [](void *cookie) {
        delete static_cast<taker *>(cookie);
        return 0;
    };
    taker *t = new taker{take, context};
    FILE *stream = fopencookie(t, "w", io);
    if (!stream)
        delete t;
    return stream;
}
#else
FILE *open_taker_stream(stream_taker, void *)
{
    return nullptr;
}
#endif

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

bool sync_file_system(const char *dir)
{
    int fd = open(dir, O_RDONLY);
    if (fd < 0) {
        sync(); // reports nothing
        return true;
    }
    bool synced = syncfs(fd) == 0;
    int error = errno;
    bool closed = close(fd) == 0;
    if (!synced)
        errno = error;
    return synced && closed;
}

} // namespace imgforge

#endif
