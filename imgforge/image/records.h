// The options that edit records of the image: -d, -e, -E, -l.
#ifndef IMGFORGE_IMAGE_RECORDS_H
#define IMGFORGE_IMAGE_RECORDS_H

#include "image/image.h"

#include <cstdint>

namespace imgforge {

// -d: the file's bytes as the record of `tag` (0: no tag selected); "-" is
// standard input, which a run reads once.
void add_tag_data(image &img, uint8_t tag, const char *path);
// --compact: the image rewritten with its live records only, in chain order
// (refused in OTP form, which cannot be erased).
void compact_image(image &img);
// -e: deletes the record of `tag`.
void erase_tag(image &img, uint8_t tag);
// -E: deletes the unlocked records of a workaround tag, or of all three.
void erase_workarounds(image &img, uint8_t tag);
void erase_all_workarounds(image &img);
// -l: locks the record of `tag`.
void lock_tag(image &img, uint8_t tag);

} // namespace imgforge

#endif
