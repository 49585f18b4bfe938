// Split output (-S): one file per live record.
#ifndef IMGFORGE_IMAGE_SPLIT_H
#define IMGFORGE_IMAGE_SPLIT_H

#include "common/sink.h"
#include "image/image.h"

namespace imgforge {

// Writes one "<tag>.bin" file per live record into `dir` (the current
// directory when empty), announcing each on `out`; further records of a tag
// go to "<tag>-2.bin", ... A file that would replace an input, or cannot be
// written, throws (status 2) after the files before it are synced.
void split_records(image &img, const char *dir, const text_sink &out);

} // namespace imgforge

#endif
