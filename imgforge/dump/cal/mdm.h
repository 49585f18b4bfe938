// Modem calibration record MDM_CAL: the modem's register file.
#ifndef IMGFORGE_DUMP_CAL_MDM_H
#define IMGFORGE_DUMP_CAL_MDM_H

#include "dump/cal/layout.h"
#include "dump/forms.h"

#include <cstdint>

namespace imgforge {

// Field layouts of the CMSDK_MDM registers.
extern const cal_block mdm_cal_block;

int pretty_MDM_CAL_content(const record_reader &read, uint32_t addr, uint16_t len, walk_args &args);

} // namespace imgforge

#endif
