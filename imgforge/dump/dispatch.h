// The dispatcher of the decoded dump (-p): one line per record, the tag's
// name and its content as the tag's decoder prints it.
#ifndef IMGFORGE_DUMP_DISPATCH_H
#define IMGFORGE_DUMP_DISPATCH_H

#include "nvds.h"

#include <cstdint>

namespace imgforge {

// Context of the dump's walk.
struct dump_context {
    const char *output_location; // -o path for USER_APP, or nullptr
    bool file_failed;            // an output file of a decoder failed
};

// Prints the line of one record: offset, tag name and decoded content.
uint32_t walk_cb_pretty(uint8_t tag, uint32_t addr, uint16_t len, nvds_read_fn read, void *arg);

// The decoded listing of every live record. A failed USER_APP output file
// ends the run with status 2 once the listing is complete.
void pretty_dump(const char *output_location);

} // namespace imgforge

#endif
