// The raw record listing (-v): one line per live record with its bytes.
#ifndef IMGFORGE_DUMP_RAW_H
#define IMGFORGE_DUMP_RAW_H

#include "common/sink.h"
#include "nvds.h"

namespace imgforge {

// One "@%04x tag data" line per live record of the region.
void list_records(nvds_region &region, const text_sink &out);

} // namespace imgforge

#endif
