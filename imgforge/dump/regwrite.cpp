// Register-write records: one register write per record, shown with the
// register's block and name.
#include "dump/regwrite.h"

#include "common/bytes.h"
#include "dump/registers.h"

#include <cstdio>

namespace imgforge {

namespace {

void show_register(uint32_t address)
{
    if (const register_block *b = find_block(address))
        std::printf("%s.%s", b->name, b->offset_to_str(address & 0xFFF));
    else
        std::printf("%#x", address);
}

} // namespace

void show_mem_w(uint32_t addr, uint32_t data)
{
    std::printf("addr=");
    show_register(addr);
    std::printf(", data=%#x", data);
}

void show_mem_rmw(uint32_t addr, uint32_t data, uint32_t mask)
{
    show_mem_w(addr, data);
    std::printf(", mask=%#x", mask);
}

int pretty_MEM_W_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &)
{
    uint8_t rec[sizeof(mem_w)];
    read_zero_filled(read, addr, len, rec, sizeof rec);
    show_mem_w(le32(rec), le32(rec + 4));
    return 0;
}

int pretty_MEM_RMW_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &)
{
    uint8_t rec[sizeof(mem_rmw)];
    read_zero_filled(read, addr, len, rec, sizeof rec);
    show_mem_rmw(le32(rec), le32(rec + 4), le32(rec + 8));
    return 0;
}

int pretty_PMU_W_content(nvds_read_fn read, uint32_t addr, uint16_t len, walk_args &)
{
    uint8_t rec[sizeof(pmu_w)];
    read_zero_filled(read, addr, len, rec, sizeof rec);
    if (len >= 1)
        std::printf("%s=%#x%c", "block", unsigned(rec[0]), ',');
    if (len >= 2)
        std::printf("%s=%#x%c", "addr", unsigned(rec[1]), ',');
    if (len >= 5)
        std::printf("%s=%#x", "data", le32(rec + 4));
    return 0;
}

} // namespace imgforge
