// Reading image files: -r loads the first one and merges every later one.
#ifndef IMGFORGE_IMAGE_INPUT_H
#define IMGFORGE_IMAGE_INPUT_H

#include "image/image.h"

#include <span>

namespace imgforge {

// Loads (first -r) or merges (later -r) the image file at `path`. A file
// that is no image is refused, unless img.keep_damaged; a damaged one is
// read with a warning, or a problem noted for --check.
void read_input(image &img, const char *path);
// The same for the bytes of a file in memory; `name` stands for its path.
void read_input_bytes(image &img, std::span<const uint8_t> bytes, const char *name);

} // namespace imgforge

#endif
