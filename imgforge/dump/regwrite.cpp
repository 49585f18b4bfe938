// Register-write records: one register write per record, shown with the
// register's block and name.
#include "dump/regwrite.h"

#include "common/bytes.h"
#include "dump/registers.h"

namespace imgforge {

namespace {

void show_register(const text_sink &out, uint32_t address)
{
    if (const register_block *b = find_block(address))
        out.printf("%s.%s", b->name, b->offset_to_str(address & 0xFFF));
    else
        out.printf("%#x", address);
}

} // namespace

void show_mem_w(const text_sink &out, uint32_t addr, uint32_t data)
{
    out.write("addr=");
    show_register(out, addr);
    out.printf(", data=%#x", data);
}

void show_mem_rmw(const text_sink &out, uint32_t addr, uint32_t data, uint32_t mask)
{
    show_mem_w(out, addr, data);
    out.printf(", mask=%#x", mask);
}

int pretty_MEM_W_content(const record_reader &read, uint32_t addr, uint16_t len, walk_args &args)
{
    uint8_t rec[sizeof(mem_w)];
    read_zero_filled(read, addr, len, rec, sizeof rec);
    show_mem_w(args.out, le32(rec), le32(rec + 4));
    return 0;
}

int pretty_MEM_RMW_content(const record_reader &read, uint32_t addr, uint16_t len, walk_args &args)
{
    uint8_t rec[sizeof(mem_rmw)];
    read_zero_filled(read, addr, len, rec, sizeof rec);
    show_mem_rmw(args.out, le32(rec), le32(rec + 4), le32(rec + 8));
    return 0;
}

int pretty_PMU_W_content(const record_reader &read, uint32_t addr, uint16_t len, walk_args &args)
{
    uint8_t rec[sizeof(pmu_w)];
    read_zero_filled(read, addr, len, rec, sizeof rec);
    if (len >= 1)
        args.out.printf("%s=%#x%c", "block", unsigned(rec[0]), ',');
    if (len >= 2)
        args.out.printf("%s=%#x%c", "addr", unsigned(rec[1]), ',');
    if (len >= 5)
        args.out.printf("%s=%#x", "data", le32(rec + 4));
    return 0;
}

} // namespace imgforge
