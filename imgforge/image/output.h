// The image output of the final phase: binary or one "%02x" line per byte.
#ifndef IMGFORGE_IMAGE_OUTPUT_H
#define IMGFORGE_IMAGE_OUTPUT_H

#include "common/sink.h"
#include "image/hex_records.h"
#include "image/image.h"

#include <cstdint>
#include <cstdio>

namespace imgforge {

// Bytes of the image output: the whole buffer with `full` or in OTP form,
// else up to 4 bytes past the last live record (8 for an image without one).
uint64_t image_output_length(image &img, bool full);

// Writes the first `length` bytes as the medium holds them (complemented in
// OTP form): raw, or with `text` as one "%02x" line per byte. False when the
// stream fails.
bool write_medium(const image &img, FILE *out, uint64_t length, bool text);

// Writes the first `length` bytes as the medium holds them to a file,
// replacing it atomically, synced when `sync`. Throws on failure.
void write_image_file(const image &img, const char *path, uint64_t length, bool sync);

// Writes the image to standard output, or with `binary` to `location` when
// given. Unless `full` or OTP form, the output ends 4 bytes after the last
// live record. With a region offset (--at) the whole region goes into the
// existing file at that offset, every other byte of it kept.
void write_image(image &img, bool binary, bool full, const char *location);

// The bytes -b writes, as Intel HEX or S-records at the base address
// (--base), to `out` or to `location`. An image that does not fit below
// 4 GiB from its base is refused (status 1).
void write_image_records(image &img, record_format format, bool full, const char *location,
                         const text_sink &out);

} // namespace imgforge

#endif
