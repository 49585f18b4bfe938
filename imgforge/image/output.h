// The image output of the final phase: binary or one "%02x" line per byte.
#ifndef IMGFORGE_IMAGE_OUTPUT_H
#define IMGFORGE_IMAGE_OUTPUT_H

#include <cstdint>

namespace imgforge {

// Bytes of the image output: the whole buffer with `full` or in inverted
// mode, else up to 4 bytes past the last live record.
uint64_t image_output_length(bool full);

// Writes the first `length` bytes as the medium holds them (complemented in
// inverted mode) to a file, replacing it atomically, synced when `sync`;
// false after a message.
bool write_image_file(const char *path, uint64_t length, bool sync);

// Writes the image to standard output, or with `binary` to `location` when
// given. Unless `full` or inverted mode, the output ends 4 bytes after the
// last live record.
void write_image(bool binary, bool full, const char *location);

} // namespace imgforge

#endif
