// Radio-interface calibration record RIF_CAL: the radio interface's register file.
#ifndef IMGFORGE_DUMP_CAL_RIF_H
#define IMGFORGE_DUMP_CAL_RIF_H

#include "dump/cal/layout.h"
#include "dump/forms.h"

#include <cstdint>

namespace imgforge {

// Field layouts of the CMSDK_RIF registers.
extern const cal_block rif_cal_block;

int pretty_RIF_CAL_content(const record_reader &read, uint32_t addr, uint16_t len, walk_args &args);

} // namespace imgforge

#endif
