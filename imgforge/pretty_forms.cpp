// Text forms shared by the content decoders.
#include "pretty.h"

#include <algorithm>
#include <cstring>

namespace imgforge {

void print_spaced_hex(FILE *out, const uint8_t *data, size_t n)
{
    for (size_t i = 0; i < n; i++)
        std::fprintf(out, i ? " %02x" : "%02x", data[i]);
}

void show_bd_addr(FILE *out, const uint8_t *addr)
{
    std::fprintf(out, "%02X:%02X:%02X:%02X:%02X:%02X", addr[5], addr[4], addr[3], addr[2], addr[1],
                 addr[0]);
}

const char *addr_type_to_str(uint8_t type)
{
    switch (type) {
    case 0:
        return "public";
    case 1:
        return "private random";
    default:
        return "unknown address type";
    }
}

void print_text(FILE *out, const uint8_t *data, size_t n)
{
    for (size_t i = 0; i < n; i++) {
        uint8_t c = data[i];
        if ((c >= 0x01 && c <= 0x1F) || c == 0x7F)
            std::fprintf(out, "\\x%02x", c);
        else
            std::fputc(c, out);
    }
}

size_t text_length(const uint8_t *data, size_t n)
{
    const void *zero = std::memchr(data, 0, n);
    return zero ? size_t(static_cast<const uint8_t *>(zero) - data) : n;
}

void read_zero_filled(nvds_read_fn read, uint32_t addr, uint16_t len, void *dst, size_t size)
{
    std::memset(dst, 0, size);
    size_t n = std::min<size_t>(len, size);
    if (n)
        read(addr, uint32_t(n), static_cast<uint8_t *>(dst));
}

} // namespace imgforge
