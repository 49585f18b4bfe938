#include "common/files.h"

#include "common/format.h"
#include "common/platform.h"
#include "error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace imgforge {

input_file::input_file(const char *path) : fd(open_binary_read(path))
{
    if (fd < 0)
        error = errno;
    else
        look_at_fd();
}

input_file::input_file(standard_input_t) : fd(standard_input_binary()), owned(false)
{
    if (fd < 0)
        error = errno;
    else
        look_at_fd();
}

void input_file::look_at_fd()
{
    bool regular = false;
    if (size_of_fd(fd, file_size, regular))
        is_regular = regular && file_size > 0; // files of /proc report no size
    file_id found;
    if (file_id_of_fd(fd, found))
        identity = found;
}

input_file::~input_file()
{
    if (fd >= 0 && owned)
        close_fd(fd);
}

bool input_file::try_read(uint8_t *buf, size_t capacity, size_t &got)
{
    got = 0;
    while (got < capacity && !(is_regular && consumed >= file_size)) {
        size_t want = capacity - got;
        if (is_regular)
            want = size_t(std::min<uint64_t>(want, file_size - consumed));
        long long n = read_fd(fd, buf + got, want);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        got += size_t(n);
        consumed += uint64_t(n);
    }
    return true;
}

size_t input_file::read(uint8_t *buf, size_t capacity, const char *read_error)
{
    size_t got = 0;
    if (!try_read(buf, capacity, got))
        fail(EXIT_FILE, format("%s: %s\n", read_error, std::strerror(errno)));
    return got;
}

uint64_t input_file::skip(uint64_t limit, const char *read_error)
{
    uint8_t chunk[65536];
    uint64_t total = 0;
    while (total < limit) {
        size_t n = read(chunk, size_t(std::min<uint64_t>(sizeof chunk, limit - total)), read_error);
        if (n == 0)
            break;
        total += n;
    }
    return total;
}

bool input_file::seek(uint64_t offset, const char *read_error)
{
    if (is_regular) {
        if (offset > file_size || !seek_fd(fd, offset))
            return false;
        consumed = offset;
        return true;
    }
    if (offset < consumed)
        return false;
    uint64_t ahead = offset - consumed;
    return skip(ahead, read_error) == ahead;
}

bool input_file::has_more()
{
    uint8_t extra;
    bool was_regular = is_regular;
    is_regular = false; // a file may hold more than its size said
    bool more = read(&extra, 1, "read_input") > 0;
    is_regular = was_regular;
    return more;
}

void fail_open(const char *path, int error)
{
    fail(EXIT_FILE, format("ERROR: open(%s) failed: %s\n", path, std::strerror(error)));
}

namespace {

void remember(const input_file &file, std::vector<file_id> *inputs)
{
    if (inputs && file.id())
        inputs->push_back(*file.id());
}

} // namespace

bool read_whole_file(const char *path, size_t limit, std::vector<uint8_t> &data, int &error,
                     std::vector<file_id> *inputs)
{
    input_file file(path);
    if (!file.is_open()) {
        error = file.open_error();
        return false;
    }
    remember(file, inputs);
    data.resize(limit + 1);
    size_t got = 0;
    bool ok = file.try_read(data.data(), data.size(), got);
    error = ok ? 0 : errno;
    data.resize(got);
    return ok;
}

text_read read_text_input(const char *path, uint64_t cap, std::string &text, int &error,
                          std::vector<file_id> *inputs)
{
    text.clear();
    input_file file(path);
    if (!file.is_open()) {
        error = file.open_error();
        return text_read::cannot_open;
    }
    remember(file, inputs);
    if (file.regular() && file.size() > cap)
        return text_read::too_long;
    uint64_t total = 0;
    bool nul = false;
    std::vector<uint8_t> chunk(65536);
    for (size_t got = 0;; total += got) {
        if (total > cap)
            return text_read::too_long;
        if (!file.try_read(chunk.data(), chunk.size(), got)) {
            error = errno;
            return text_read::cannot_read;
        }
        if (got == 0)
            return text_read::ok;
        if (nul)
            continue;
        const void *zero = std::memchr(chunk.data(), 0, got);
        size_t keep = zero ? size_t(static_cast<const uint8_t *>(zero) - chunk.data()) + 1 : got;
        text.append(reinterpret_cast<const char *>(chunk.data()), keep);
        nul = zero != nullptr;
    }
}

namespace {

// Throws when a symbolic link on the way of an output path was planted in a
// shared folder.
void refuse_planted_links(const char *path)
{
    std::string resolved, refused;
    if (!resolve_links(path, resolved, refused))
        fail(EXIT_FILE, format("ERROR: refusing to follow the link '%s' in a shared folder\n",
                               refused.c_str()));
}

// Whether a failure to create a file is one of permission: the folder (or
// its file system) may not be written, though its files may.
bool permission_error(int error)
{
    return error == EACCES || error == EPERM || error == EROFS;
}

} // namespace

void check_output_path(const char *path, const output_env &env)
{
    refuse_planted_links(path);
    file_id id;
    if (!env.inputs || !file_id_of_path(path, id))
        return;
    if (std::find(env.inputs->begin(), env.inputs->end(), id) != env.inputs->end())
        fail(EXIT_FILE, format("ERROR: refusing to overwrite input file '%s'\n", path));
}

output_file::~output_file()
{
    discard();
}

// The file the kernel opens at `given` is replaced only when it is (or will
// be) a regular file and the path with its links resolved leads to that same
// file; the links of /proc (such as /dev/stdout) lead elsewhere, and a file
// standard output writes to stays the same file.
void output_file::open(const char *given)
{
    path = given;
    refuse_planted_links(given);
    path_info followed = look_at(given, true);
    std::string refused;
    resolve_links(given, target, refused);
    regular = followed.kind == path_kind::missing ||
              (followed.kind == path_kind::regular && !is_standard_output(followed.id) &&
               look_at(target.c_str(), false).id == followed.id);
    if (regular) {
        if (open_temp(followed.kind == path_kind::regular ? &followed : nullptr))
            return;
        int error = errno;
        // Without the folder the target cannot be opened either: the open
        // below says so.
        bool no_folder = error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG;
        if (!permission_error(error) && !no_folder)
            fail(EXIT_FILE, format("ERROR: cannot create a temporary file beside '%s': %s\n", given,
                                   std::strerror(error)));
        // A file in a folder we cannot write to can still be rewritten.
        if (followed.kind == path_kind::regular)
            env.warnings.printf("WARNING: cannot create a temporary file beside '%s'; writing it "
                                "in place\n",
                                given);
    }
    out = std::fopen(given, "wb+");
    if (!out)
        fail(EXIT_FILE, format("Failed to open file '%s': %s\n", given, std::strerror(errno)));
}

// The temporary file is announced before it exists, so that an interrupt
// never leaves one behind unannounced.
bool output_file::open_temp(const path_info *like)
{
    for (unsigned attempt = 0; attempt < 100; attempt++) {
        temp = temp_name_beside(target, attempt);
        if (env.temps)
            env.temps->created(temp.c_str());
        out = create_new_file(temp, like);
        if (out) {
            // A buffer of our own spares the stream asking the system for a size.
            buffer.resize(65536);
            std::setvbuf(out, buffer.data(), _IOFBF, buffer.size());
            return true;
        }
        int error = errno;
        if (env.temps)
            env.temps->gone(temp.c_str());
        temp.clear();
        errno = error;
        if (error != EEXIST)
            return false;
    }
    return false;
}

size_t output_file::write(const void *data, size_t n)
{
    return n == 0 ? 0 : std::fwrite(data, 1, n, out);
}

void output_file::check_written()
{
    if (std::ferror(out))
        fail(EXIT_FILE,
             format("ERROR: cannot write '%s': %s\n", path.c_str(), std::strerror(errno)));
}

void output_file::commit(bool sync)
{
    bool synced = flush_stream(out) && (!sync || temp.empty() || sync_stream(out));
    int error = errno;
    bool closed = std::fclose(out) == 0;
    out = nullptr;
    if (!synced || !closed) {
        std::string text = format("Failed to close file '%s': %s", path.c_str(),
                                  std::strerror(synced ? errno : error));
        discard();
        fail(EXIT_FILE, text);
    }
    if (!temp.empty() && !replace_file(temp, target)) {
        std::string text =
            format("ERROR: cannot replace '%s': %s\n", path.c_str(), std::strerror(errno));
        discard();
        fail(EXIT_FILE, text);
    }
    if (!temp.empty() && env.temps)
        env.temps->gone(temp.c_str());
    temp.clear();
}

void output_file::discard()
{
    if (out)
        std::fclose(out);
    out = nullptr;
    if (!temp.empty()) {
        std::remove(temp.c_str());
        if (env.temps)
            env.temps->gone(temp.c_str());
    }
    temp.clear();
}

void sync_outputs(const char *dir)
{
    if (!sync_file_system(dir))
        fail(EXIT_FILE, format("ERROR: cannot sync the files written to '%s': %s\n", dir,
                               std::strerror(errno)));
}

} // namespace imgforge
