/* A C program on the installed engine: stores a record in a small region and
 * reads it back through the walk. */
#include <nvds.h>

#include <stdio.h>
#include <string.h>

static uint32_t print_record(nvds_region *region, uint8_t tag, uint32_t addr, uint16_t len,
                             void *arg)
{
    uint8_t data[16];
    (void)arg;
    if (len > sizeof data || nvds_read(region, addr, len, data) != NVDS_OK)
        return 1;
    printf("%02x:%u:%.*s\n", tag, (unsigned)addr, (int)len, (const char *)data);
    return 0;
}

int main(void)
{
    uint8_t memory[64];
    nvds_region region;
    const uint8_t name[] = {'o', 'k'};
    memset(memory, 0, sizeof memory);
    /* Memory without the magic is not formatted until asked. */
    if (nvds_open(&region, memory, sizeof memory, NULL, NULL) != NVDS_NOT_FORMATTED ||
        memory[0] != 0 || nvds_format(&region) != NVDS_OK)
        return 1;
    if (nvds_put(&region, 0x02, sizeof name, name) != NVDS_OK)
        return 1;
    return nvds_walk(&region, print_record, NULL) == NVDS_TAG_NOT_DEFINED ? 0 : 1;
}
