// What every part that drives the engine shares: its failures as the tool's
// errors, its reads as a reader of record data, and walks that may fail.
#ifndef IMGFORGE_COMMON_ENGINE_H
#define IMGFORGE_COMMON_ENGINE_H

#include "nvds.h"

#include <cstdint>

namespace imgforge {

// Throws the engine's assertion diagnostic, "ASSERT ERR(<condition>) at
// <file>:<line>" with status 4, when an operation on the region found its
// chain corrupt; the region forgets the fault once it is thrown.
void check_engine(nvds_region &region);

// The engine's read, for a record_reader: context is the region.
int read_region(void *region, uint32_t address, uint32_t length, uint8_t *dst);

// nvds_walk with the tool's failures: what `visit` throws stops the walk and
// is thrown again once the engine has returned (the engine is never unwound
// through), and a corrupt chain throws the engine's assertion diagnostic.
// Returns the walk's result.
uint32_t walk_records(nvds_region &region, nvds_walk_cb visit, void *arg);

} // namespace imgforge

#endif
