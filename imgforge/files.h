// File access shared by the options that read data and write outputs.
#ifndef IMGFORGE_FILES_H
#define IMGFORGE_FILES_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace imgforge {

// An input file opened for reading raw bytes.
struct input_file {
    int fd;        // -1 when the file could not be opened (errno set)
    uint64_t size; // from the open file's status
    bool regular;  // a regular file ends at its size
};
input_file open_input(const char *path);

// Size of a file through stat; false (with errno) on failure.
bool file_size(const char *path, uint64_t *size);

// Prints "ERROR: open(<path>) failed: <error>" and ends the run with status 2.
[[noreturn]] void fail_open(const char *path, int error);

// Reads up to `capacity` bytes and closes the file; returns the count. Sets
// *more when the file holds further bytes. A read failure prints the system
// error after `read_error` and ends the run with status 2.
size_t read_input_file(input_file &file, uint8_t *buf, size_t capacity, const char *read_error,
                       bool *more = nullptr);

// Creates or truncates a file for binary writing; prints
// "Failed to open file ..." and returns nullptr on failure.
FILE *open_output(const char *path);
// Closes an output file; prints "Failed to close file ..." and returns
// false on failure.
bool close_output(FILE *file, const char *path);

} // namespace imgforge

#endif
