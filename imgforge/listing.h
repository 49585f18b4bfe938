// Raw record listing (-v) and split output (-S).
#ifndef IMGFORGE_LISTING_H
#define IMGFORGE_LISTING_H

#include "nvds.h"

namespace imgforge {

// Record data as one " %02x" per byte on standard output.
uint32_t print_hex_nvds(nvds_read_fn read, uint32_t addr, uint16_t len, void *context);

// One "@%04x tag data" line per record.
uint32_t walk_cb(uint8_t tag, uint32_t addr, uint16_t len, nvds_read_fn read, void *arg);

// Prints the listing of every live record.
void list_records();

// Writes one "<tag>.bin" file per live record into `dir` (the current
// directory when empty); further records of a tag go to "<tag>-2.bin", ...
// A file that would replace an input, or cannot be written, ends the run
// with status 2.
void split_records(const char *dir);

} // namespace imgforge

#endif
