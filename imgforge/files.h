// File access shared by the options that read data and write outputs.
#ifndef IMGFORGE_FILES_H
#define IMGFORGE_FILES_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace imgforge {

// Size of a file through stat; false (with errno) on failure.
bool file_size(const char *path, uint64_t *size);

// Reads up to `capacity` bytes of a file as raw bytes and returns the count.
// Sets *more when the file holds further bytes. Open and read failures
// print their message and end the run with status 2.
size_t read_file_prefix(const char *path, uint8_t *buf, size_t capacity, const char *read_error,
                        bool *more = nullptr);

// Creates or truncates a file for binary writing; prints
// "Failed to open file ..." and returns nullptr on failure.
FILE *open_output(const char *path);
// Closes an output file; prints "Failed to close file ..." and returns
// false on failure.
bool close_output(FILE *file, const char *path);

} // namespace imgforge

#endif
