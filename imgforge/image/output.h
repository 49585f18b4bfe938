// The image output of the final phase: binary or one "%02x" line per byte.
#ifndef IMGFORGE_IMAGE_OUTPUT_H
#define IMGFORGE_IMAGE_OUTPUT_H

namespace imgforge {

// Writes the image to standard output, or with `binary` to `location` when
// given. Unless `full` or inverted mode, the output ends 4 bytes after the
// last live record.
void write_image(bool binary, bool full, const char *location);

} // namespace imgforge

#endif
