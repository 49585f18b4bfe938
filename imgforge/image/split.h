// Split output (-S): one file per live record.
#ifndef IMGFORGE_IMAGE_SPLIT_H
#define IMGFORGE_IMAGE_SPLIT_H

namespace imgforge {

// Writes one "<tag>.bin" file per live record into `dir` (the current
// directory when empty); further records of a tag go to "<tag>-2.bin", ...
// A file that would replace an input, or cannot be written, ends the run
// with status 2.
void split_records(const char *dir);

} // namespace imgforge

#endif
