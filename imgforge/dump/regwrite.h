// Content decoders of the register-write records: PMU_W, MEM_W and MEM_RMW.
#ifndef IMGFORGE_DUMP_REGWRITE_H
#define IMGFORGE_DUMP_REGWRITE_H

#include "dump/forms.h"

#include <cstdint>

namespace imgforge {

// Record layouts, little-endian in the image.
struct pmu_w {
    uint8_t block;
    uint8_t addr;
    uint8_t unused[2];
    uint32_t data;
};
struct mem_w {
    uint32_t addr; // full register address
    uint32_t data;
};
struct mem_rmw {
    uint32_t addr;
    uint32_t data;
    uint32_t mask;
};
static_assert(sizeof(pmu_w) == 8 && sizeof(mem_w) == 8 && sizeof(mem_rmw) == 12);

// "addr=<register>, data=%#x": the register as BLOCK.NAME when the address
// lies in a known block, else as "%#x".
void show_mem_w(const text_sink &out, uint32_t addr, uint32_t data);
// show_mem_w, then ", mask=%#x".
void show_mem_rmw(const text_sink &out, uint32_t addr, uint32_t data, uint32_t mask);

int pretty_MEM_W_content(const record_reader &read, uint32_t addr, uint16_t len, walk_args &args);
int pretty_MEM_RMW_content(const record_reader &read, uint32_t addr, uint16_t len, walk_args &args);
// Shows the fields the record supplies: block from 1 byte, addr from 2, data
// from 5 (a partial data field reads as zero-filled).
int pretty_PMU_W_content(const record_reader &read, uint32_t addr, uint16_t len, walk_args &args);

} // namespace imgforge

#endif
