// Plain memory backend: the region is ordinary RAM standing in for flash.
#include "nvds.h"

#include <cstring>

int flash_identify(uint8_t *type)
{
    *type = 1;
    return 0;
}

// Zero-length accesses may come with null pointers (empty records).
int flash_read(uint8_t, const uint8_t *src, uint32_t length, uint8_t *dst)
{
    if (length)
        std::memcpy(dst, src, length);
    return 0;
}

int flash_write(uint8_t, uint8_t *dst, uint32_t length, const uint8_t *src)
{
    if (length)
        std::memcpy(dst, src, length);
    return 0;
}

int flash_erase(uint8_t, uint8_t *dst, uint32_t length)
{
    std::memset(dst, 0xFF, length);
    return 0;
}

// Compare-and-program: equal data gives 0; data that differ only by clearing
// bits are programmed over the stored bytes and also give 0; otherwise the
// first difference (new minus stored) is the result and memory is unchanged.
int flash_cmp(uint8_t, uint32_t *result, uint8_t *stored, uint32_t length, const uint8_t *data)
{
    bool differs = false;
    int first_difference = 0;
    for (uint32_t i = 0; i < length; i++) {
        if (data[i] == stored[i])
            continue;
        if (!differs) {
            differs = true;
            first_difference = int(data[i]) - int(stored[i]);
        }
        if ((data[i] | stored[i]) != stored[i]) {
            *result = uint32_t(first_difference);
            return 0;
        }
    }
    if (differs)
        std::memcpy(stored, data, length);
    *result = 0;
    return 0;
}

const nvds_backend nvds_memory_backend = {flash_identify, flash_read, flash_write, flash_erase,
                                          flash_cmp};
