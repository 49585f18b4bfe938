// File access shared by the parts that read inputs and write outputs.
// Failures are thrown as `error` values with the texts the tool prints.
#ifndef IMGFORGE_COMMON_FILES_H
#define IMGFORGE_COMMON_FILES_H

#include "common/platform.h"
#include "common/sink.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace imgforge {

// An input file opened for reading raw bytes; closed when it goes out of
// scope.
class input_file {
  public:
    explicit input_file(const char *path);
    // Standard input, in binary mode; left open.
    struct standard_input_t {};
    explicit input_file(standard_input_t);
    ~input_file();
    input_file(const input_file &) = delete;
    input_file &operator=(const input_file &) = delete;

    bool is_open() const { return fd >= 0; }
    int open_error() const { return error; }
    bool regular() const { return is_regular; } // a regular file ends at its size
    uint64_t size() const { return file_size; }
    // What identifies the file, when the system tells.
    std::optional<file_id> id() const { return identity; }

    // Reads until `capacity` bytes, the end of the file or, for a regular
    // file, its size. A read failure throws the system error after
    // `read_error`, as perror prints it, with status 2.
    size_t read(uint8_t *buf, size_t capacity, const char *read_error);
    // The same; false (with errno) on a read failure.
    bool try_read(uint8_t *buf, size_t capacity, size_t &got);
    // Reads and drops bytes until the end of the file or `limit` bytes;
    // returns the count.
    uint64_t skip(uint64_t limit, const char *read_error);
    // Whether a further byte can be read.
    bool has_more();
    // Goes to `offset` from the start: a regular file moves there, anything
    // else reads its way; false when the file ends first.
    bool seek(uint64_t offset, const char *read_error);

  private:
    int fd = -1;
    int error = 0;
    bool is_regular = false;
    uint64_t file_size = 0;
    uint64_t consumed = 0;
    std::optional<file_id> identity;
    bool owned = true;
    void look_at_fd();
};

// Reads a file whole, as -d does (streams to their end), but at most
// `limit` + 1 bytes, so that a longer file shows as longer; false with the
// system's error number when it cannot be opened or read. The file is added
// to `inputs` when given.
bool read_whole_file(const char *path, size_t limit, std::vector<uint8_t> &data, int &error,
                     std::vector<file_id> *inputs);

// A text input read whole, but at most `cap` bytes. A regular file over the
// cap is refused by its size; a stream is read to its end, keeping no byte
// after its first NUL (the text is refused for that NUL), so that /dev/zero
// costs no memory.
enum class text_read { ok, cannot_open, cannot_read, too_long };
text_read read_text_input(const char *path, uint64_t cap, std::string &text, int &error,
                          std::vector<file_id> *inputs);

// Throws "ERROR: open(<path>) failed: <error>" with status 2.
[[noreturn]] void fail_open(const char *path, int error);

// Told of every temporary file while it exists, so that it can be removed
// when the run is interrupted.
struct temp_observer {
    void (*created)(const char *path);
    void (*gone)(const char *path);
};

// What the outputs of a run answer to: where warnings go, who is told of
// temporary files, and the files the run read, which no output replaces.
// Empty members: warnings dropped, nobody told, nothing protected.
struct output_env {
    text_sink warnings;
    const temp_observer *temps = nullptr;
    const std::vector<file_id> *inputs = nullptr;
};

// Throws with status 2 when an output at `path` must not be written: a
// symbolic link on its way was planted in a shared folder ("ERROR: refusing
// to follow the link ..."), or it is a file the run read ("ERROR: refusing
// to overwrite input file ...").
void check_output_path(const char *path, const output_env &env);

// A file the tool writes. A regular file (or one to be created) is written
// to a temporary file beside it (".imgforge-" and twelve hex digits) and
// renamed over it when complete, so a failed run leaves it untouched; a
// replaced file keeps its permission bits, owner and group, and symbolic
// links are resolved to the file they name. Anything else (a device, a
// FIFO, the file standard output writes to) is written in place. An output
// that was not committed is removed when it goes out of scope.
class output_file {
  public:
    explicit output_file(const output_env &env) : env(env) {}
    ~output_file();
    output_file(const output_file &) = delete;
    output_file &operator=(const output_file &) = delete;

    // Throws with status 2 when the file cannot be opened ("Failed to open
    // file ..."), a planted link is on its way or no temporary file may be
    // made for a reason other than permission.
    void open(const char *path);
    FILE *stream() const { return out; }
    // Returns the count of bytes written; fewer than `n` (with errno) on
    // failure.
    size_t write(const void *data, size_t n);
    // Throws "ERROR: cannot write ..." with the stream's error when a write
    // failed.
    void check_written();
    // Completes the file: flush, sync when `sync`, close, rename over the
    // target. Throws "Failed to close file ..." (no line end) or "ERROR:
    // cannot replace ..." with status 2.
    void commit(bool sync);

  private:
    const output_env &env;
    FILE *out = nullptr;
    std::string path;     // as given, for messages
    std::string target;   // the file replaced
    std::string temp;     // empty when writing in place
    bool regular = false; // the target is (or will be) a regular file
    std::vector<char> buffer;
    bool open_temp(const path_info *like);
    void discard();
};

// Makes the outputs committed without their own sync durable: one sync for
// a run that writes many files into `dir`. Throws "ERROR: cannot sync the
// files written to ..." with status 2.
void sync_outputs(const char *dir);

} // namespace imgforge

#endif
