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

// True when every byte of data can be programmed over stored: it has no 1
// where the stored byte has a 0. Checked a word at a time.
static bool programmable(const uint8_t *stored, const uint8_t *data, uint32_t length)
{
    uint32_t i = 0;
    for (; i + 8 <= length; i += 8) {
        uint64_t s, d;
        std::memcpy(&s, stored + i, 8);
        std::memcpy(&d, data + i, 8);
        if ((s | d) != s)
            return false;
    }
    for (; i < length; i++)
        if ((stored[i] | data[i]) != stored[i])
            return false;
    return true;
}

// Compare-and-program: equal data gives 0; data that differ only by clearing
// bits are programmed over the stored bytes and also give 0; otherwise the
// first difference (new minus stored) is the result and memory is unchanged.
int flash_cmp(uint8_t, uint32_t *result, uint8_t *stored, uint32_t length, const uint8_t *data)
{
    uint32_t first = 0;
    while (first < length && stored[first] == data[first])
        first++;
    if (first == length) {
        *result = 0;
        return 0;
    }
    if (!programmable(stored + first, data + first, length - first)) {
        *result = uint32_t(int(data[first]) - int(stored[first]));
        return 0;
    }
    std::memcpy(stored + first, data + first, length - first);
    *result = 0;
    return 0;
}

const nvds_backend nvds_memory_backend = {flash_identify, flash_read, flash_write, flash_erase,
                                          flash_cmp};
