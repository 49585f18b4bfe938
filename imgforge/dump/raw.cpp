#include "dump/raw.h"

#include "dump/forms.h"

#include <cstdio>

namespace imgforge {

uint32_t walk_cb(uint8_t tag, uint32_t addr, uint16_t len, nvds_read_fn read, void *)
{
    std::printf("@%04x %02x ", addr, tag);
    print_hex_nvds(read, addr, len, nullptr);
    std::putchar('\n');
    return 0;
}

void list_records()
{
    nvds_walk(walk_cb, nullptr);
}

} // namespace imgforge
