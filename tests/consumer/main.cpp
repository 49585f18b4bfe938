// Stores a record in a small region and reads it back through the walk.
#include <nvds.h>

#include <cstdio>
#include <vector>

static uint32_t print_record(uint8_t tag, uint32_t addr, uint16_t len, nvds_read_fn read, void *)
{
    std::vector<uint8_t> data(len);
    read(addr, len, data.data());
    std::printf("%02x:%u:%.*s\n", tag, unsigned(addr), int(len),
                reinterpret_cast<const char *>(data.data()));
    return 0;
}

int main()
{
    std::vector<uint8_t> region(64, 0);
    if (nvds_init(region.data(), uint32_t(region.size())) != NVDS_OK)
        return 1;
    const uint8_t name[] = {'o', 'k'};
    if (nvds_put(0x02, sizeof name, name) != NVDS_OK)
        return 1;
    return nvds_walk(print_record, nullptr) == NVDS_TAG_NOT_DEFINED ? 0 : 1;
}
