// The raw record listing (-v): one line per live record with its bytes.
#ifndef IMGFORGE_DUMP_RAW_H
#define IMGFORGE_DUMP_RAW_H

#include "nvds.h"

namespace imgforge {

// One "@%04x tag data" line per record.
uint32_t walk_cb(uint8_t tag, uint32_t addr, uint16_t len, nvds_read_fn read, void *arg);

// Prints the listing of every live record.
void list_records();

} // namespace imgforge

#endif
