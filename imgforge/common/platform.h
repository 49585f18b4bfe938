// The few things that differ between platforms.
#ifndef IMGFORGE_COMMON_PLATFORM_H
#define IMGFORGE_COMMON_PLATFORM_H

#include <cstdint>
#include <cstdio>
#include <string>

namespace imgforge {

#ifdef _WIN32
inline constexpr char DIR_SEPARATOR = '\\';
#else
inline constexpr char DIR_SEPARATOR = '/';
#endif

// Switches standard output to binary mode; false (with errno) on failure.
bool set_stdout_binary();

// Whether a stream is a terminal.
bool is_terminal(FILE *stream);

// Opens a file for reading raw bytes; -1 (with errno) on failure.
int open_binary_read(const char *path);
// Standard input switched to raw bytes; -1 (with errno) on failure.
int standard_input_binary();
// Reads up to n bytes; the count, 0 at the end, -1 (with errno) on failure.
long long read_fd(int fd, void *buf, size_t n);
void close_fd(int fd);
// Moves to `offset` from the start; false (with errno) on failure.
bool seek_fd(int fd, uint64_t offset);
// Size of an open file or of a path, and whether it is a regular file;
// false (with errno) on failure.
bool size_of_fd(int fd, uint64_t &size, bool &regular);
bool size_of_path(const char *path, uint64_t &size);

// Last path component of the invocation name ("imgforge" for imgforge.exe).
std::string program_name(const char *argv0);
// The name messages about the command line begin with: the invocation name
// as given, or on Windows, where that is a full path, the program's name.
std::string invocation_name(const char *argv0);

// What identifies a file whatever the path it is reached by.
struct file_id {
    uint64_t device;
    uint64_t index;
    bool operator==(const file_id &) const = default;
};
bool file_id_of_fd(int fd, file_id &id);
bool file_id_of_path(const char *path, file_id &id);

// What a path names: with `follow`, what its symbolic links lead to.
enum class path_kind { missing, regular, link, folder, other };
struct path_info {
    path_kind kind;
    file_id id;
    unsigned mode; // permission bits
    unsigned owner, group;
};
path_info look_at(const char *path, bool follow);
path_kind kind_of_path(const char *path);

// Whether a file is the one standard output or standard error writes to.
bool is_standard_output(const file_id &id);

// The path with every symbolic link on its way resolved, component by
// component. A link in a sticky folder that every user may write to (such as
// /tmp), owned by neither this process's user nor the folder's owner, is not
// followed, whatever the kernel would do: false, with `refused` set to it.
bool resolve_links(const std::string &path, std::string &resolved, std::string &refused);

// A name for a temporary file in the folder of `target`: ".imgforge-" and
// twelve hex digits, another one for every attempt.
std::string temp_name_beside(const std::string &target, unsigned attempt);
// The file name alone, of this process's number.
std::string temp_file_name(uint64_t process, unsigned attempt);

// Creates the file `path`, which must not exist yet, for writing: with the
// permission bits of a new file, or those of `like` and its owner and group
// where the process may set them. nullptr (with errno) on failure.
FILE *create_new_file(const std::string &path, const path_info *like);

// Creates a folder and its missing parents; false (with errno) on failure.
bool make_folders(const std::string &dir);

// Hands a stream's buffered data to the system; false (with errno) when the
// system did not take all of it.
bool flush_stream(FILE *stream);
// Flushes a stream's data to the medium; false (with errno) on failure.
bool sync_stream(FILE *stream);

// Renames `temp` over `target`; false (with errno) on failure.
bool replace_file(const std::string &temp, const std::string &target);

// A stream whose written bytes go to `take`, a buffer at a time; nullptr
// where the system has no such streams (then write through a sink instead).
using stream_taker = void (*)(void *context, const char *data, size_t n);
FILE *open_taker_stream(stream_taker take, void *context);

// Asks for large pages under a large buffer: filling gigabytes page by page
// costs seconds of page faults.
void advise_large_buffer(void *buf, size_t size);

// Flushes the file system holding `dir` to its medium; false (with errno)
// when it reports a failure.
bool sync_file_system(const char *dir);

} // namespace imgforge

#endif
