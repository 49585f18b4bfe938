// Decoded dump of the miscellaneous calibration record (MISC_CAL).
#ifndef IMGFORGE_DUMP_CAL_MISC_H
#define IMGFORGE_DUMP_CAL_MISC_H

#include "dump/forms.h"

namespace imgforge {

// Prints the GADC gain/offset table one channel per line, each line ended
// here, then the power-management words and the transmit gain offset on one
// line left open for the dispatcher. Content past the 144-byte record is
// ignored; fields a shorter content does not supply show as zero.
int pretty_MISC_CAL_content(const record_reader &read, uint32_t addr, uint16_t len,
                            walk_args &args);

} // namespace imgforge

#endif
